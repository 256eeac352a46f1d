#pragma once

// The list window of テンプレートの検査: one finding a line, kept open beside
// the main window, which owns it and refills it at every check.

#include <vector>

#include <QDialog>

#include "text/UnicodeString.h"

class QListWidget;

class TFormCheckList : public QDialog {
public:
    explicit TFormCheckList(QWidget* parent);

    void SetLines(const std::vector<UnicodeString>& lines);

private:
    QListWidget* list_ = nullptr;
};
