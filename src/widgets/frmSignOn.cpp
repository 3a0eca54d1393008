#include "widgets/frmSignOn.h"

#include "commands/StartUp.h"
#include "settings/Version.h"
#include "widgets/Logo.h"
#include "widgets/CentreOnScreen.h"

#include <QLabel>

namespace {

QFont serifFont(double points, bool bold, bool italic = false)
{
    // Falls back to the system's serif face where the named one is missing.
    QFont font(QStringLiteral("Times New Roman"));
    font.setStyleHint(QFont::Serif);
    font.setPointSizeF(points);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

QLabel *makeLabel(QWidget *parent, const char *name, const QString &text, const QRect &geometry,
                  Qt::Alignment alignment)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(geometry);
    label->setAlignment(alignment);
    return label;
}

}  // namespace

frmSignOn::frmSignOn(StartUp &startUp, QWidget *parent) : QWidget(parent), m_startUp(startUp)
{
    setObjectName(QStringLiteral("frmSignOn"));
    setWindowTitle(QStringLiteral("Message Manager"));
    setFixedSize(480, 300);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    setPalette(white);
    setAutoFillBackground(true);

    tmrSignOn.setObjectName(QStringLiteral("tmrSignOn"));
    tmrSignOn.setParent(this);
    tmrSignOn.setInterval(2000);
    tmrSignOn.setSingleShot(true);
    connect(&tmrSignOn, &QTimer::timeout, this, &frmSignOn::tmrSignOn_Timer);

    imgLogo = makeLabel(this, "imgLogo", QString(), QRect(24, 24, 96, 96), Qt::AlignCenter);
    imgLogo->setPixmap(tavixLogo(96));

    lblCompany = makeLabel(this, "lblCompany", QStringLiteral("Tavix Systems"), QRect(136, 40, 320, 24),
                           Qt::AlignLeft | Qt::AlignVCenter);
    lblCompany->setFont(serifFont(12, true));

    lblCpyright = makeLabel(this, "lblCpyright",
                            MakerNotice,
                            QRect(136, 68, 320, 40), Qt::AlignLeft | Qt::AlignTop);
    lblCpyright->setWordWrap(true);

    lblType = makeLabel(this, "lblType", QStringLiteral("Transfering Wave Files"), QRect(20, 140, 440, 30),
                        Qt::AlignCenter);
    lblType->setFont(serifFont(14.25, false));

    lblFor = makeLabel(this, "lblFor", QStringLiteral("for "), QRect(20, 176, 440, 20), Qt::AlignCenter);
    lblFor->setFont(serifFont(9.75, true, true));

    lblTitle = makeLabel(this, "lblTitle", QStringLiteral("Tavix Message Manager"), QRect(20, 200, 440, 44),
                         Qt::AlignCenter);
    lblTitle->setFont(serifFont(21.75, true));

    lblVersion = makeLabel(this, "lblVersion", QString(), QRect(20, 256, 440, 24), Qt::AlignCenter);

    // The window's load.
    lblVersion->setText(versionText());
    tmrSignOn.start();
}

void frmSignOn::tmrSignOn_Timer()
{
    tmrSignOn.stop();
    m_startUp.tmrSignOn_Timer();
    Q_EMIT unloadRequested();
}

void frmSignOn::unload()
{
    tmrSignOn.stop();
    hide();
}

void frmSignOn::showEvent(QShowEvent *event)
{
    if (!m_centred) {
        m_centred = true;
        centreOnScreen(this);
    }
    QWidget::showEvent(event);
}
