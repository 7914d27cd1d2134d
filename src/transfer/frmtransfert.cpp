#include "transfer/frmtransfert.h"

#include "shared/application.h"
#include "terminal/twips.h"

#include <QLabel>
#include <QVBoxLayout>

FrmTransfert::FrmTransfert(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmTransfert"));
    setWindowTitle(ApplicationTitle);
    setModal(false);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                   | Qt::MSWindowsFixedSizeDialogHint);

    auto *Label1 = new QLabel(QStringLiteral("Transfert en cours"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignCenter);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1);

    const double dpi = twips::logicalDpi(this);
    setFixedSize(twips::toPixels(ClientWidthTwips, dpi), twips::toPixels(ClientHeightTwips, dpi));
}
