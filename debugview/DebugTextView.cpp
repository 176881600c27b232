#include "debugview/DebugTextView.h"

TDebugTextView::TDebugTextView(QWidget* parent) : QPlainTextEdit(parent) {}

TDebugTextView::~TDebugTextView() = default;
