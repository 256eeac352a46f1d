#include "app/TFormCheckList.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/TQtDialogs.h"

TFormCheckList::TFormCheckList(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormCheckList"));
    setWindowTitle(QStringLiteral("テンプレートの検査"));
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("ListFindings"));
    // Whole lines can be copied into an editor's search.
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    layout->addWidget(list_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("閉じる"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    layout->addWidget(buttons);
    resize(860, 260);
}

void TFormCheckList::SetLines(const std::vector<UnicodeString>& lines)
{
    list_->clear();
    for (const UnicodeString& line : lines)
        list_->addItem(ToQString(line));
}
