#include "dialogs/frmAbout.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

QLabel* MakeLabel(QWidget* parent, const char* name) {
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

}  // namespace

frmAbout::frmAbout(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About"));
    lblAppName = MakeLabel(this, "lblAppName");
    QFont big = lblAppName->font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    big.setBold(true);
    lblAppName->setFont(big);
    lblVersion = MakeLabel(this, "lblVersion");
    lblAuthor = MakeLabel(this, "lblAuthor");
    txtWeb = new QLineEdit(this);
    txtWeb->setObjectName(QStringLiteral("txtWeb"));
    txtWeb->setReadOnly(true);
    txtWeb->setAccessibleName(QStringLiteral("Web"));
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);

    // The designed places; the width of the name, OK and the web address follow the texts.
    lblAppName->setGeometry(12, 12, 300, 30);
    lblVersion->setGeometry(12, 48, 300, 20);
    lblAuthor->setGeometry(12, 72, 300, 20);
    txtWeb->setGeometry(12, 104, 300, 24);
    cmdOK->setGeometry(324, 12, 88, 28);
    setTabOrder(cmdOK, txtWeb);
    resize(424, 140);
}

void frmAbout::cmdOK_Click() { accept(); }
