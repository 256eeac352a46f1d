// Takes the README's pictures: the main window filled with the example
// project, its preview window, the progress window after making its pages,
// and the list of テンプレートの検査 for a copy of the template with a wrong column.
// usage: tabloom_screenshots <examples folder> <output folder>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTimer>
#include <QTest>

#include <iostream>

#include "app/TDesktopApplication.h"
#include "app/TFormHtmlMaker.h"
#include "app/TFormMain.h"
#include "app/TFormPreview.h"
#include "app/TQtDialogs.h"
#include "settings/TProject.h"

namespace {

bool Save(QWidget& window, const QString& path)
{
    const bool ok = window.grab().save(path, "PNG");
    std::cout << (ok ? "wrote " : "could not write ") << path.toStdString() << "\n";
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    TDesktopApplication app(argc, argv);
    if (argc != 3) {
        std::cerr << "usage: tabloom_screenshots <examples folder> <output folder>\n";
        return 2;
    }
    const QDir examples(QString::fromLocal8Bit(argv[1]));
    const QDir images(QString::fromLocal8Bit(argv[2]));
    QTemporaryDir work;
    // The pictures show an example folder of a user's own, not this machine's.
    const QString shown = QStringLiteral("/home/user/tabloom-example/");
    const QString project = work.filePath(QStringLiteral("events.tbm"));
    TProject(FromQString(shown + QStringLiteral("card.html")), 1, FromQString(shown + QStringLiteral("events.xlsx")),
             FromQString(shown + QStringLiteral("pages")), 1)
        .SaveToFile(FromQString(project));

    TFormMain form({FromQString(project)}, FromQString(work.filePath(QStringLiteral("tabloom.ini"))));
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        return 1;
    QTest::qWait(300);  // the start-up step opens the project
    bool ok = Save(form, images.filePath(QStringLiteral("main-window.png")));
    // The run itself needs the real files.
    form.SetEditText(TMainEdit::TemplateFilePath, FromQString(examples.absoluteFilePath(QStringLiteral("card.html"))));
    form.SetEditText(TMainEdit::ExcelFilePath, FromQString(examples.absoluteFilePath(QStringLiteral("events.xlsx"))));
    form.SetEditText(TMainEdit::SaveDirPath, FromQString(work.filePath(QStringLiteral("pages"))));

    form.Logic().ActionPreview();
    auto* preview = form.findChild<TFormPreview*>();
    if (!preview || !QTest::qWaitForWindowExposed(preview))
        return 1;
    preview->Logic().Next();
    QTest::qWait(200);
    ok = Save(*preview, images.filePath(QStringLiteral("preview-window.png"))) && ok;
    preview->close();

    // The progress window is modal: picture it from the event loop, then close it.
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* progress = dynamic_cast<TFormHtmlMaker*>(QApplication::activeModalWidget());
        if (!progress || !progress->RunEnded() || !progress->Logic().PagesMade())
            return;
        poll.stop();
        QTest::qWait(100);
        ok = Save(*progress, images.filePath(QStringLiteral("progress-window.png"))) && ok;
        progress->close();
    });
    poll.start();
    form.Logic().ActionMakeHtmlFile();

    // The check after the run: the pages are there now, and the copy names
    // column H, which the example leaves empty.
    const QString wrong = work.filePath(QStringLiteral("card.html"));
    QFile::copy(examples.absoluteFilePath(QStringLiteral("card.html")), wrong);
    QFile copy(wrong);
    copy.open(QIODevice::ReadWrite);
    QByteArray text = copy.readAll().replace("name=F2 --->", "name=H2 --->");
    copy.resize(0);
    copy.write(text);
    copy.close();
    form.SetEditText(TMainEdit::TemplateFilePath, FromQString(wrong));
    form.Logic().ActionCheckTemplate();
    if (auto* list = form.findChild<QListWidget*>(QStringLiteral("ListFindings"))) {
        QTest::qWait(100);
        ok = Save(*list->window(), images.filePath(QStringLiteral("check-list.png"))) && ok;
    } else {
        ok = false;
    }
    DialogHook().Confirm = [](const QString&) { return TConfirmAnswer::No; };
    form.close();
    return ok ? 0 : 1;
}
