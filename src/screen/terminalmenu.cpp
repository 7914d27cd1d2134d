// SPDX-License-Identifier: GPL-3.0-or-later
#include "screen/terminalmenu.h"

#include "screen/keyboardsend.h"
#include "screen/terminaldisplay.h"
#include "screen/terminalview.h"

#include <QAction>
#include <QClipboard>
#include <QMenu>

TerminalMenu::TerminalMenu(TerminalView &view, TerminalDisplay &display, KeyboardSend &keyboard, QObject *parent)
    : QObject(parent), m_view(view)
{
    auto item = [this](const char *name, const QString &caption, auto routine) {
        auto *action = new QAction(caption, this);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, routine);
        return action;
    };
    mnuCopier = item("mnuCopier", QStringLiteral("Copier\tCtrl+Maj+C"), [&view] { view.copy(); });
    mnuColler = item("mnuColler", QStringLiteral("Coller\tCtrl+Maj+V"),
                     [&keyboard] { keyboard.pasteFrom(QClipboard::Clipboard); });
    mnuToutSelectionner =
        item("mnuToutSelectionner", QStringLiteral("Tout sélectionner"), [&view] { view.selectAll(); });
    mnuEffacerEcran = item("mnuEffacerEcran", QStringLiteral("Effacer l'écran"), [&view, &display] {
        display.flush();
        view.clear();
    });
    view.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&view, &QWidget::customContextMenuRequested, this, &TerminalMenu::popUp);
}

void TerminalMenu::popUp(const QPoint &position)
{
    auto *menu = new QMenu(&m_view);
    menu->setObjectName(QStringLiteral("mnuTerminal"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addActions({mnuCopier, mnuColler});
    menu->addSeparator();
    menu->addActions({mnuToutSelectionner, mnuEffacerEcran});
    if (mnuRechercher) {
        menu->addSeparator();
        menu->addAction(mnuRechercher);
    }
    menu->popup(m_view.viewport()->mapToGlobal(position));
}
