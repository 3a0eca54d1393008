#include "widgets/frmSerialSet.h"

#include "settings/NumberRules.h"
#include "link/PortMap.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

namespace {
constexpr int DeviceColumn = 1;
}

frmSerialSet::frmSerialSet(modDeclarations &declarations, const AppPaths &paths,
                           Prompter &prompter, WindowHost &windows, QWidget *parent)
    : QMainWindow(parent), m_selection(declarations, paths, prompter, windows), m_paths(paths)
{
    setObjectName(QStringLiteral("frmSerialSet"));
    setWindowTitle(QStringLiteral("Com Port Selection"));

    auto *client = new QWidget(this);
    setCentralWidget(client);
    auto *column = new QVBoxLayout(client);

    fraPort = new QGroupBox(QStringLiteral("Com Port"), client);
    fraPort->setObjectName(QStringLiteral("fraPort"));
    auto *frameColumn = new QVBoxLayout(fraPort);

    cmbCommPort = new QComboBox(fraPort);
    cmbCommPort->setObjectName(QStringLiteral("cmbCommPort"));
    cmbCommPort->setEditable(true);
    // A typed number is a choice, not a new list item.
    cmbCommPort->setInsertPolicy(QComboBox::NoInsert);
    cmbCommPort->setMinimumWidth(160);
    // The list shows the number and, in a second column, its device; the box's text and the
    // items stay the bare numbers.
    m_ports = new QStandardItemModel(0, 2, cmbCommPort);
    auto *view = new QTableView(cmbCommPort);
    view->horizontalHeader()->hide();
    view->verticalHeader()->hide();
    view->setShowGrid(false);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    cmbCommPort->setModel(m_ports);
    cmbCommPort->setView(view);
    connect(cmbCommPort, &QComboBox::editTextChanged, this, &frmSerialSet::showDevice);
    frameColumn->addWidget(cmbCommPort);

    lblDevice = new QLabel(fraPort);
    lblDevice->setObjectName(QStringLiteral("lblDevice"));
    lblDevice->setWordWrap(true);
    lblDevice->setTextInteractionFlags(Qt::TextSelectableByMouse);
    frameColumn->addWidget(lblDevice);
    column->addWidget(fraPort);

    cmdApply = new QPushButton(QStringLiteral("Apply"), client);
    cmdApply->setObjectName(QStringLiteral("cmdApply"));
    cmdApply->setDefault(true);
    connect(cmdApply, &QPushButton::clicked, this, &frmSerialSet::cmdApply_Click);
    column->addWidget(cmdApply);

    cmdCancel = new QPushButton(QStringLiteral("Cancel"), client);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(cmdCancel, &QPushButton::clicked, this, &frmSerialSet::cmdCancel_Click);
    column->addWidget(cmdCancel);
    column->addStretch();

    setTabOrder(cmbCommPort, cmdApply);
    setTabOrder(cmdApply, cmdCancel);

    mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuFileClose = mnuFile->addAction(QStringLiteral("&Close"));
    mnuFileClose->setObjectName(QStringLiteral("mnuFileClose"));
    connect(mnuFileClose, &QAction::triggered, this, &frmSerialSet::mnuFileClose_Click);
    mnuFileExit = mnuFile->addAction(QStringLiteral("&Exit"));
    mnuFileExit->setObjectName(QStringLiteral("mnuFileExit"));
    connect(mnuFileExit, &QAction::triggered, this, &frmSerialSet::mnuFileExit_Click);
}

void frmSerialSet::Form_Load()
{
    const QStringList items = PortSelection::portItems();
    const QList<PortAssignment> devices = portAssignments(m_paths.portsDir);
    m_ports->setRowCount(0);
    for (const QString &item : items) {
        auto *number = new QStandardItem(item);
        auto *device = new QStandardItem;
        const auto port = item.toInt();
        if (port >= FirstPortNumber && port <= devices.size()) {
            device->setText(devices.at(port - 1).device);
            number->setToolTip(device->text());
        } else {
            device->setText(QStringLiteral("search all ports"));
        }
        device->setForeground(palette().brush(QPalette::Disabled, QPalette::Text));
        m_ports->appendRow({number, device});
    }
    if (auto *view = qobject_cast<QTableView *>(cmbCommPort->view())) {
        view->resizeColumnsToContents();
        view->setMinimumWidth(view->horizontalHeader()->length() + 24);
    }
    // The list opens at the current port; a port the list lacks still shows as the text.
    const QString current = m_selection.Form_Load();
    cmbCommPort->setCurrentIndex(cmbCommPort->findText(current, Qt::MatchExactly));
    cmbCommPort->setEditText(current);
    showDevice();
}

void frmSerialSet::showDevice()
{
    const QString text = cmbCommPort->currentText();
    if (text == u"Auto") {
        lblDevice->setText(QStringLiteral("Searches ports 1 to 255 for the unit."));
        return;
    }
    QString device;
    const auto port = readPortNumber(text);
    if (port && *port >= FirstPortNumber && *port <= m_ports->rowCount() - 1)
        device = m_ports->item(*port, DeviceColumn)->text();
    else if (port)
        device = portDevice(*port, m_paths.portsDir);
    lblDevice->setText(device.isEmpty() ? QStringLiteral("No device on this computer.")
                                        : QStringLiteral("Device: %1").arg(device));
}

void frmSerialSet::cmdApply_Click()
{
    if (m_applying)
        return;
    m_applying = true;
    const bool unload = m_selection.cmdApply_Click(cmbCommPort->currentText());
    m_applying = false;
    if (unload)
        Q_EMIT unloadRequested();
}

void frmSerialSet::cmdCancel_Click()
{
    Q_EMIT unloadRequested();
}

void frmSerialSet::mnuFileClose_Click()
{
    Q_EMIT unloadRequested();
}

void frmSerialSet::mnuFileExit_Click()
{
    m_selection.mnuFileExit_Click();
}

void frmSerialSet::closeEvent(QCloseEvent *event)
{
    // The window's own close control is Cancel.
    event->accept();
    if (!m_applying)
        Q_EMIT unloadRequested();
}
