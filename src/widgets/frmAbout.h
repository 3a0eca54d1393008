#pragma once

#include <QWidget>

class QLabel;

// The about window "Tavix": name, version and notice. It has no buttons; the window's own close
// control closes it.
class frmAbout : public QWidget {
    Q_OBJECT
public:
    explicit frmAbout(QWidget *parent = nullptr);

    void Form_Load();

Q_SIGNALS:
    // The window is done; its owner unloads it.
    void unloadRequested();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QLabel *lblVersion = nullptr;
    QLabel *lblName = nullptr;
    QLabel *lblCoprright = nullptr;
};
