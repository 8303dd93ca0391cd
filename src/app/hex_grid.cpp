#include "app/hex_grid.h"

TDrawGrid::TDrawGrid(QWidget* parent) : QTableView(parent) { setObjectName("DrawGrid1"); }

void TDrawGrid::SetRowCount(int rows) { Rows_ = rows < 1 ? 1 : rows; }

void TDrawGrid::SetColWidth(int column, int width) { setColumnWidth(column, width); }

void TDrawGrid::RepaintNow() { viewport()->repaint(); }
