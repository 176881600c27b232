#include "debugview/DebugView.h"

TDebugView::TDebugView(QWidget* parent) : QPlainTextEdit(parent) {}

TDebugView::~TDebugView() = default;
