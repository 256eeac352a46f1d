#include "app/TQtDialogs.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>

#include "text/TCodePage.h"

QString ToQString(const UnicodeString& text)
{
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

UnicodeString FromQString(const QString& text)
{
    return text.toStdU16String();
}

QStringList QtNameFilters(const UnicodeString& filter)
{
    const QStringList parts = ToQString(filter).split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString text = parts[i];
        // Qt reads the patterns from the parentheses at the end of the text.
        if (text.endsWith(u')') && text.contains(u'('))
            text.truncate(text.lastIndexOf(u'('));
        QString patterns = parts[i + 1];
        patterns.replace(u';', u' ');
        patterns.replace(QStringLiteral("*.*"), QStringLiteral("*"));
        filters << text + u'(' + patterns + u')';
    }
    return filters;
}

TDialogHook& DialogHook()
{
    static TDialogHook hook;
    return hook;
}

void ShowWarningBox(QWidget* parent, const QString& text)
{
    if (DialogHook().Warning) {
        DialogHook().Warning(text);
        return;
    }
    QMessageBox::warning(parent, QCoreApplication::applicationName(), text, QMessageBox::Ok);
}

TConfirmAnswer AskYesNoCancel(QWidget* parent, const QString& text)
{
    if (DialogHook().Confirm)
        return DialogHook().Confirm(text);
    const auto answer = QMessageBox::question(parent, QCoreApplication::applicationName(), text,
                                              QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                              QMessageBox::Yes);
    if (answer == QMessageBox::Yes)
        return TConfirmAnswer::Yes;
    return answer == QMessageBox::No ? TConfirmAnswer::No : TConfirmAnswer::Cancel;
}

void ShowNotAvailableBox(QWidget* parent, const QString& command)
{
    ShowWarningBox(parent, QStringLiteral("「%1」はまだ使えません。").arg(command));
}

QStringList CharsetNames()
{
    QStringList names;
    for (const auto& charset : TCodePage::Charsets())
        names << QString::fromUtf16(charset.name);
    return names;
}

namespace {

// Qt's own dialog everywhere: it looks the same on every desktop and can take
// the added charset list.
void Prepare(QFileDialog& dialog, const TFileDialogOptions& options, bool save)
{
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // A name that does not exist yet is accepted, as the open commands expect.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !options.OverwritePrompt);
    dialog.setNameFilters(QtNameFilters(options.Filter));
    QString suffix = ToQString(options.DefaultExt);
    if (suffix.startsWith(u'.'))
        suffix.remove(0, 1);
    dialog.setDefaultSuffix(suffix);
    if (!options.Folder.empty())
        dialog.setDirectory(ToQString(options.Folder));
    if (!options.FileName.empty())
        dialog.selectFile(ToQString(options.FileName));
}

std::optional<UnicodeString> Chosen(QFileDialog& dialog)
{
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return FromQString(dialog.selectedFiles().first());
}

} // namespace

std::optional<UnicodeString> RunFileDialog(QWidget* parent, const TFileDialogOptions& options, bool save)
{
    if (DialogHook().FileDialog)
        return DialogHook().FileDialog(options, save);
    QFileDialog dialog(parent);
    Prepare(dialog, options, save);
    return Chosen(dialog);
}

std::optional<TCharsetFileChoice> RunTemplateDialog(QWidget* parent, const TFileDialogOptions& options, int charset)
{
    if (DialogHook().TemplateDialog)
        return DialogHook().TemplateDialog(options, charset);
    QFileDialog dialog(parent);
    Prepare(dialog, options, false);
    auto* combo = new QComboBox(&dialog);
    combo->setObjectName(QStringLiteral("ComboBoxCharset"));
    combo->addItems(CharsetNames());
    combo->setCurrentIndex(charset);
    auto* label = new QLabel(QStringLiteral("文字コード(&E):"), &dialog);
    label->setBuddy(combo);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
        const int row = grid->rowCount();
        grid->addWidget(label, row, 0);
        grid->addWidget(combo, row, 1);
    }
    const auto file = Chosen(dialog);
    if (!file)
        return std::nullopt;
    return TCharsetFileChoice{*file, combo->currentIndex()};
}

std::optional<UnicodeString> RunFolderDialog(QWidget* parent, const QString& caption, const QString& start)
{
    if (DialogHook().FolderDialog)
        return DialogHook().FolderDialog(caption);
    QFileDialog dialog(parent, caption, start);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    return Chosen(dialog);
}
