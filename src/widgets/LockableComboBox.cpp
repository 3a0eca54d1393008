#include "widgets/LockableComboBox.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QWheelEvent>

LockableComboBox::LockableComboBox(QWidget *parent) : QComboBox(parent)
{
    // Editable only so that it can show a text that is none of its items; typing is refused.
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    lineEdit()->setReadOnly(true);
    lineEdit()->installEventFilter(this);
    // Only a pick from the list is a user's choice. The box would also take Enter in its text,
    // or the focus leaving it, for a pick of the item that the text names, although that text
    // is the program's and the user picked nothing.
    disconnect(lineEdit(), &QLineEdit::returnPressed, this, nullptr);
    disconnect(lineEdit(), &QLineEdit::editingFinished, this, nullptr);
}

void LockableComboBox::setLocked(bool locked)
{
    m_locked = locked;
    if (locked)
        hidePopup();
}

void LockableComboBox::setShownText(const QString &text)
{
    const QSignalBlocker blocker(this);
    setEditText(text);
}

void LockableComboBox::showPopup()
{
    if (!m_locked)
        QComboBox::showPopup();
}

bool LockableComboBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lineEdit()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            // The text part cannot be edited, so a click into it opens the list as the
            // arrow does.
            if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
                showPopup();
            return true;
        case QEvent::Wheel:
            if (m_locked)
                return true;
            break;
        default:
            break;
        }
    }
    return QComboBox::eventFilter(watched, event);
}

void LockableComboBox::mousePressEvent(QMouseEvent *event)
{
    if (m_locked) {
        event->accept();
        return;
    }
    QComboBox::mousePressEvent(event);
}

void LockableComboBox::keyPressEvent(QKeyEvent *event)
{
    // Tab and Backtab still move the focus on; every key that would pick an item is eaten.
    if (m_locked && event->key() != Qt::Key_Tab && event->key() != Qt::Key_Backtab) {
        event->accept();
        return;
    }
    QComboBox::keyPressEvent(event);
}

void LockableComboBox::wheelEvent(QWheelEvent *event)
{
    if (m_locked) {
        event->accept();
        return;
    }
    QComboBox::wheelEvent(event);
}
