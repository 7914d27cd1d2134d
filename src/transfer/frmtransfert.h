#pragma once

#include <QDialog>

// The progress window shown, not modal, while a program is sent to the
// board. It has nothing to act on; its owner shows and closes it.
class FrmTransfert : public QDialog
{
    Q_OBJECT
public:
    static constexpr int ClientWidthTwips = 4140;
    static constexpr int ClientHeightTwips = 1395;

    explicit FrmTransfert(QWidget *parent = nullptr);
};
