#pragma once

#include <QIcon>
#include <QLabel>

// A picture box of the gallery: the picture stretched over the whole box, an
// empty slot drawn when there is none; a click reports itself.
class GalleryBox : public QLabel {
    Q_OBJECT
public:
    explicit GalleryBox(QWidget* parent = nullptr);
    // A box past the last title is drawn fainter than a title without a picture.
    void setVacant(bool vacant);
    // Without a picture: a short note in the box that the title's picture was
    // refused as too large, the whole text in the tool-tip; empty for none.
    void setRefusal(const QString& text);
    QString refusal() const { return refusal_; }

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool vacant_ = true;
    QString refusal_;
};

// A title's name over its box: one line, cut with "…" when it is wider than the
// box (the whole name in the tool-tip); a click reports itself.
class GalleryName : public QLabel {
    Q_OBJECT
public:
    explicit GalleryName(QWidget* parent = nullptr);
    void setName(const QString& name);

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// The arrows of the paging buttons: pointing left for the previous page, right for the next.
QIcon galleryArrow(bool left);
