#include "widgets/frmSerialSet.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

namespace {
enum Column { NumberColumn, DeviceColumn, AdapterColumn, NoteColumn, ColumnCount };
// Adapters plugged in or out show within a second.
constexpr int PortPollMs = 500;
}  // namespace

frmSerialSet::frmSerialSet(modDeclarations &declarations, const AppPaths &paths,
                           Prompter &prompter, WindowHost &windows, const PortSystem &system,
                           QWidget *parent)
    : QMainWindow(parent), m_selection(declarations, paths, prompter, windows, system)
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
    // The list shows the number and, in more columns, its device and what the system says of
    // it; the box's text and the items stay the bare numbers.
    m_ports = new QStandardItemModel(0, ColumnCount, cmbCommPort);
    auto *view = new QTableView(cmbCommPort);
    view->horizontalHeader()->hide();
    view->verticalHeader()->hide();
    view->setShowGrid(false);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    cmbCommPort->setModel(m_ports);
    cmbCommPort->setView(view);
    connect(cmbCommPort, &QComboBox::editTextChanged, this, &frmSerialSet::showDevice);
    connect(cmbCommPort, &QComboBox::textActivated, this, &frmSerialSet::picked);
    connect(cmbCommPort->lineEdit(), &QLineEdit::textEdited, this, &frmSerialSet::picked);
    frameColumn->addWidget(cmbCommPort);

    lblDevice = new QLabel(fraPort);
    lblDevice->setObjectName(QStringLiteral("lblDevice"));
    lblDevice->setWordWrap(true);
    // Room for a device path and an adapter's name on one line each.
    lblDevice->setMinimumWidth(280);
    lblDevice->setTextInteractionFlags(Qt::TextSelectableByMouse);
    frameColumn->addWidget(lblDevice);
    cmdPin = new QPushButton(QStringLiteral("Pin"), fraPort);
    cmdPin->setObjectName(QStringLiteral("cmdPin"));
    cmdPin->setToolTip(QStringLiteral("Keep this adapter on this number, whatever order adapters are "
                                      "plugged in"));
    connect(cmdPin, &QPushButton::clicked, this, &frmSerialSet::cmdPin_Click);
#ifdef Q_OS_WIN
    // Port n is always COMn here.
    cmdPin->hide();
#endif
    frameColumn->addWidget(cmdPin);
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
    setTabOrder(cmdCancel, cmdPin);

    m_portTimer.setInterval(PortPollMs);
    connect(&m_portTimer, &QTimer::timeout, this, &frmSerialSet::refreshPorts);

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
    const QString current = m_selection.Form_Load();
    const QStringList items = PortSelection::portItems();
    m_ports->setRowCount(0);
    for (const QString &item : items) {
        QList<QStandardItem *> row{new QStandardItem(item)};
        for (int column = DeviceColumn; column < ColumnCount; ++column) {
            row << new QStandardItem;
            row.last()->setForeground(palette().brush(QPalette::Disabled, QPalette::Text));
        }
        m_ports->appendRow(row);
    }
    m_ports->item(0, DeviceColumn)->setText(QStringLiteral("search all ports"));
    fillPorts();
    // The list opens at the current port; a port the list lacks still shows as the text.
    cmbCommPort->setCurrentIndex(cmbCommPort->findText(current, Qt::MatchExactly));
    cmbCommPort->setEditText(current);
    showDevice();
    m_portTimer.start();
}

void frmSerialSet::fillPorts()
{
    const QList<PortInventoryRow> &ports = m_selection.ports();
    for (const PortInventoryRow &port : ports) {
        QStringList notes;
        if (port.pinned)
            notes << QStringLiteral("pinned");
        if (port.hasDevice() && port.access != PortAccess::Ok)
            notes << port.accessSummary();
        m_ports->item(port.number, NumberColumn)->setToolTip(port.device);
        m_ports->item(port.number, DeviceColumn)->setText(port.device);
        m_ports->item(port.number, AdapterColumn)->setText(port.adapterText());
        m_ports->item(port.number, NoteColumn)->setText(notes.join(QStringLiteral(", ")));
    }
    if (auto *view = qobject_cast<QTableView *>(cmbCommPort->view())) {
        view->resizeColumnsToContents();
        view->setMinimumWidth(view->horizontalHeader()->length() + 24);
    }
}

void frmSerialSet::refreshPorts()
{
    const PortSelection::Refresh refresh = m_selection.refreshPorts(cmbCommPort->currentText());
    if (!refresh.changed)
        return;
    fillPorts();
    if (refresh.text) {
        cmbCommPort->setCurrentIndex(cmbCommPort->findText(*refresh.text, Qt::MatchExactly));
        cmbCommPort->setEditText(*refresh.text);
    }
    showDevice();
}

void frmSerialSet::picked(const QString &text)
{
    m_selection.pick(text);
}

void frmSerialSet::showDevice()
{
    const QString text = cmbCommPort->currentText();
    lblDevice->setText(m_selection.describe(text));
    const auto port = m_selection.row(text);
    cmdPin->setEnabled(port && port->hasDevice());
    cmdPin->setText(port && port->pinned ? QStringLiteral("Unpin") : QStringLiteral("Pin"));
}

void frmSerialSet::cmdPin_Click()
{
    m_selection.cmdPin_Click(cmbCommPort->currentText());
    fillPorts();
    showDevice();
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
