#include "app/TFormAboutBox.h"

#include <QCoreApplication>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "app/THelpViewer.h"
#include "app/TProgramIcon.h"
#include "app/TQtDialogs.h"
#include "app/TkAppInfo.h"

namespace {

constexpr int ClientWidth = 273;
constexpr int ClientHeight = 195;

QLabel* Label(const char* name, const QString& designText)
{
    auto* label = new QLabel(designText);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}


} // namespace

TFormAboutBox::TFormAboutBox(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("FormAboutBox"));
    setWindowTitle(QStringLiteral("バージョン情報"));

    auto* icon = Label("ProgramIcon", QString());
    icon->setFixedSize(32, 32);
    icon->setPixmap(ProgramIcon().pixmap(32, 32));
    productName_ = Label("ProductName", QStringLiteral("製品名"));
    QFont font = productName_->font();
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("Noto Sans CJK JP"), font.family()});
    font.setPixelSize(12);
    productName_->setFont(font);
    productName_->setCursor(Qt::PointingHandCursor);
    productName_->installEventFilter(this);
    version_ = Label("Version", QStringLiteral("バージョン"));
    copyright_ = Label("Copyright", QStringLiteral("著作権表記"));
    comments_ = Label("Comments", QStringLiteral("コメント"));
    comments_->setFixedSize(242, 42);
    comments_->setWordWrap(true);
    comments_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* panel = new QFrame;
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* grid = new QGridLayout(panel);
    grid->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(productName_, 0, 1);
    grid->addWidget(version_, 1, 1);
    grid->addWidget(copyright_, 2, 0, 1, 2);
    grid->addWidget(comments_, 3, 0, 1, 2);
    grid->setColumnStretch(1, 1);

    auto* ok = new QPushButton(QStringLiteral("OK"));
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(panel);
    layout->addWidget(ok, 0, Qt::AlignHCenter);

    // The texts come from the version table; a missing one leaves its label empty.
    const TkAppInfo info;
    productName_->setText(QCoreApplication::applicationName());
    version_->setText(ToQString(info.GetString(3)));
    copyright_->setText(ToQString(info.GetString(5)));
    comments_->setText(ToQString(info.GetString(0)));

    setFixedSize(QSize(ClientWidth, ClientHeight).expandedTo(minimumSizeHint()));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

// There is no product web site: the name opens the help contents instead.
bool TFormAboutBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == productName_ && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        ShowHelpTopic(this, THelpTopic::Contents);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
