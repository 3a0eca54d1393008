#include "widgets/frmAbout.h"

#include "settings/Version.h"
#include "widgets/Logo.h"

#include <QCloseEvent>
#include <QLabel>
#include <QVBoxLayout>

frmAbout::frmAbout(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("Tavix"));
    auto *column = new QVBoxLayout(this);

    auto *imgLogo = new QLabel(this);
    imgLogo->setObjectName(QStringLiteral("imgLogo"));
    imgLogo->setPixmap(tavixLogo(64));
    imgLogo->setAlignment(Qt::AlignCenter);
    column->addWidget(imgLogo);

    lblName = new QLabel(QStringLiteral("Tavix Message Monitor"), this);
    lblName->setObjectName(QStringLiteral("lblName"));
    lblName->setAlignment(Qt::AlignCenter);
    QFont bold = lblName->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.3);
    lblName->setFont(bold);
    column->addWidget(lblName);

    lblVersion = new QLabel(this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblVersion->setAlignment(Qt::AlignCenter);
    column->addWidget(lblVersion);

    lblCoprright = new QLabel(MakerNotice, this);
    lblCoprright->setObjectName(QStringLiteral("lblCoprright"));
    lblCoprright->setWordWrap(true);
    column->addWidget(lblCoprright);

    setFixedWidth(340);
}

void frmAbout::Form_Load()
{
    lblVersion->setText(versionText());
}

void frmAbout::closeEvent(QCloseEvent *event)
{
    event->accept();
    Q_EMIT unloadRequested();
}
