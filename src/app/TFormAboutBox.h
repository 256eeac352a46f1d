#pragma once

// The modal about box "バージョン情報": the program's icon and name, and the
// version, copyright line and comment of its version table (TkAppInfo). A
// click on the name opens the help contents.

#include <QDialog>

class QLabel;

class TFormAboutBox : public QDialog {
public:
    // Raises "バージョン情報を取得できません" when there is no version table.
    explicit TFormAboutBox(QWidget* owner);

    QLabel* ProductName() const { return productName_; }
    QLabel* Version() const { return version_; }
    QLabel* Copyright() const { return copyright_; }
    QLabel* Comments() const { return comments_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* productName_ = nullptr;
    QLabel* version_ = nullptr;
    QLabel* copyright_ = nullptr;
    QLabel* comments_ = nullptr;
};
