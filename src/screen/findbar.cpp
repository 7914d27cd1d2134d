// SPDX-License-Identifier: GPL-3.0-or-later
#include "screen/findbar.h"

#include "screen/terminalview.h"

#include <QAction>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>

FindBar::FindBar(TerminalView &txtTerm, QWidget *parent)
    : QToolBar(QStringLiteral("Rechercher"), parent), m_txtTerm(txtTerm),
      m_openAction(new QAction(QStringLiteral("Rechercher…\tCtrl+Maj+F"), parent ? parent : this)),
      m_pattern(new QLineEdit(this)), m_matchCase(new QCheckBox(QStringLiteral("Respecter la &casse"), this)),
      m_status(new QLabel(this))
{
    setObjectName(QStringLiteral("findBar"));
    setMovable(false);
    setFloatable(false);
    toggleViewAction()->setVisible(false);
    hide();

    m_openAction->setObjectName(QStringLiteral("mnuRechercher"));
    m_openAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
    connect(m_openAction, &QAction::triggered, this, &FindBar::open);

    m_pattern->setObjectName(QStringLiteral("txtRechercher"));
    m_pattern->setPlaceholderText(QStringLiteral("Rechercher…"));
    m_pattern->setAccessibleName(QStringLiteral("Texte à rechercher dans le terminal"));
    m_pattern->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_pattern->installEventFilter(this);
    addWidget(m_pattern);
    // Arrows and a cross: the bar fits the window at its first size.
    QAction *previous = addAction(style()->standardIcon(QStyle::SP_ArrowUp), QStringLiteral("Précédent"), this,
                                  [this] { step(false); });
    previous->setToolTip(QStringLiteral("Résultat précédent (Maj+Entrée ou Maj+F3)"));
    QAction *next =
        addAction(style()->standardIcon(QStyle::SP_ArrowDown), QStringLiteral("Suivant"), this, [this] { step(true); });
    next->setToolTip(QStringLiteral("Résultat suivant (Entrée ou F3)"));
    m_matchCase->setObjectName(QStringLiteral("chkCasse"));
    addWidget(m_matchCase);
    m_status->setObjectName(QStringLiteral("lblResultat"));
    m_status->setContentsMargins(8, 0, 8, 0);
    addWidget(m_status);
    QAction *close = addAction(style()->standardIcon(QStyle::SP_DialogCloseButton), QStringLiteral("Fermer"), this,
                               &FindBar::closeBar);
    close->setToolTip(QStringLiteral("Fermer la recherche (Échap) : les touches retournent à la platine"));

    connect(m_pattern, &QLineEdit::textChanged, this, &FindBar::search);
    connect(m_matchCase, &QCheckBox::toggled, this, &FindBar::search);
    connect(&m_txtTerm, &TerminalView::textEdited, this, &FindBar::textEdited);
}

void FindBar::open()
{
    m_open = true;
    show();
    m_pattern->setFocus();
    m_pattern->selectAll();
    search();
}

void FindBar::closeBar()
{
    m_open = false;
    hide();
    m_search = TerminalSearch();
    m_txtTerm.setMarks({});
    m_txtTerm.moveCaretToEnd();
    m_txtTerm.setFocus();
}

bool FindBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_pattern || event->type() != QEvent::KeyPress)
        return QToolBar::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F3: step(!key->modifiers().testFlag(Qt::ShiftModifier)); return true;
    case Qt::Key_Escape: closeBar(); return true;
    default: return false;
    }
}

void FindBar::search()
{
    if (!m_open)
        return;
    m_search.setPattern(m_pattern->text(), m_matchCase->isChecked() ? Qt::CaseSensitive : Qt::CaseInsensitive,
                        m_txtTerm.text());
    showCurrent(true);
}

void FindBar::step(bool forward)
{
    if (forward)
        m_search.next();
    else
        m_search.previous();
    showCurrent(true);
}

void FindBar::textEdited(qsizetype dropped)
{
    if (!m_open)
        return;
    const bool hadCurrent = m_search.marks().current >= 0;
    m_search.textEdited(m_txtTerm.text(), dropped);
    showCurrent(!hadCurrent);
}

void FindBar::showCurrent(bool reveal)
{
    const TextMarks &marks = m_search.marks();
    m_txtTerm.setMarks(marks);
    m_status->setText(m_search.status());
    m_status->setToolTip(m_search.scrolledOut()
                             ? QStringLiteral("Le résultat courant a quitté les caractères que garde le terminal : "
                                              "Entrée ou F3 pour le suivant.")
                             : QString());
    if (reveal && marks.current >= 0)
        m_txtTerm.reveal(marks.starts.at(marks.current), marks.length);
}
