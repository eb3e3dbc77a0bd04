#pragma once
// The about box: the program's name, version, legal notice and web address. The main window
// fills and places it before showing it.
#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

class frmAbout : public QDialog {
    Q_OBJECT

public:
    explicit frmAbout(QWidget* parent = nullptr);

    QLabel* lblAppName;
    QLabel* lblVersion;
    QLabel* lblAuthor;
    QLineEdit* txtWeb;
    QPushButton* cmdOK;

    void cmdOK_Click();
};
