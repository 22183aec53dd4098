#pragma once

#include "shell/flex_grid.h"

#include <QStringList>

// The body rows of a grid as the user reads them, cells joined by "|".
inline QStringList gridRows(FlexGrid* g) {
    QStringList rows;
    for (int r = 1; r < g->Rows(); ++r) {
        QStringList cells;
        for (int c = 0; c < g->Cols(); ++c) cells << g->TextMatrix(r, c);
        rows << cells.join(u'|');
    }
    return rows;
}
