#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <QWidget>

#include "WindowTests.h"

void OnModal(std::function<bool(QWidget*)> act)
{
    auto* timer = new QTimer(qApp);
    auto* clock = new QElapsedTimer;
    clock->start();
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, clock, act] {
        QWidget* modal = QApplication::activeModalWidget();
        const bool done = modal && act(modal);
        if (!done && clock->elapsed() > 30000 && modal)
            modal->close();
        if (done || clock->elapsed() > 30000) {
            timer->stop();
            timer->deleteLater();
            delete clock;
        }
    });
    timer->start();
}

QString WriteJob(const QTemporaryDir& dir, const QByteArray& templateText)
{
    QFile book(dir.filePath(QStringLiteral("book.csv")));
    book.open(QIODevice::WriteOnly);
    book.write("一,x&y\n二,z\n");
    QFile templ(dir.filePath(QStringLiteral("card.html")));
    templ.open(QIODevice::WriteOnly);
    templ.write(templateText.isEmpty()
                    ? QByteArray("<!--- excel quit=A1 type=card filename=A1 ---><p><!--- cell name=B1 escape=html ---></p>\n")
                    : templateText);
    return templ.fileName();
}
