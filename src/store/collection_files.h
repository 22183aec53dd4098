#pragma once

#include <QString>

// Whether path names a file that the program, run on the data folder dataDir,
// reads, writes or deletes, so that nothing written from outside (an export)
// may take its place. Inside the data folder that is every name ending in
// .txt, .jpg, .gif, .bmp or .bak (the record files and masters, a title's
// texts, pictures and ".txt" file, the originals kept aside, whatever title
// may come), and everything under the backup folder. Names compare without
// regard to letter case, as the data folder matches them, and paths are
// compared once every link is followed, so no other spelling of the folder
// or of the file gets past.
bool isCollectionFile(const QString& dataDir, const QString& path);
