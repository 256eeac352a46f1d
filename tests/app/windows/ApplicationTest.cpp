#include <QCoreApplication>
#include <QEvent>
#include <QTest>

#include <stdexcept>

#include "WindowTests.h"
#include "app/TQtDialogs.h"
#include "text/Exception.h"

namespace {

// An object whose event handler throws what it is told to.
class Thrower : public QObject {
public:
    int kind = 0;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() != QEvent::User)
            return QObject::event(e);
        if (kind == 0)
            throw Exception(u"テンプレートが壊れています");
        if (kind == 1)
            throw std::runtime_error("plain");
        throw 42;
    }
};

} // namespace

void ApplicationTest::escapedExceptionsAreShownAndTheProgramGoesOn()
{
    QStringList boxes;
    DialogHook().Warning = [&](const QString& text) { boxes << text; };
    Thrower thrower;
    for (int kind : {0, 1, 2}) {
        thrower.kind = kind;
        QEvent event(QEvent::User);
        QCoreApplication::sendEvent(&thrower, &event);
    }
    DialogHook() = {};
    QCOMPARE(boxes, (QStringList{QStringLiteral("テンプレートが壊れています"), QStringLiteral("plain"), QString()}));
}
