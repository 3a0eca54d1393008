#pragma once

#include <QComboBox>

// A drop-down list whose text the program may set to anything, even a value that is not one of
// its items ("12" in a list of "0" to "9"). The user changes it only by picking an item, and
// not at all while it is locked; locking does not grey it out, so the value stays readable
// while an operation runs.
class LockableComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit LockableComboBox(QWidget *parent = nullptr);

    void setLocked(bool locked);
    bool isLocked() const { return m_locked; }

    // The shown text, without touching the items or the current index and without the
    // signals of a user's pick.
    void setShownText(const QString &text);

    void showPopup() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    bool m_locked = false;
};
