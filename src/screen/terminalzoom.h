// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class SettingsStore;
class TerminalView;

// Zooms the terminal's text: Ctrl+plus (or Ctrl+=), Ctrl+minus and Ctrl+0
// (Ctrl+à on a French keyboard), and Ctrl+wheel over the text. The keys
// type nothing to the board. The size is kept in the settings file
// ([Terminal] FontSize) and restored when this is made; the view's cells
// follow the font, so columns stay aligned at every size.
class TerminalZoom final : public QObject
{
    Q_OBJECT
public:
    static inline const QString Section = QStringLiteral("Terminal");
    static inline const QString Key = QStringLiteral("FontSize");

    // Both must outlive this object, a child of the view. The view's font
    // as it is now is the normal size (Ctrl+0).
    TerminalZoom(TerminalView &view, SettingsStore &store);

    int pointSize() const;
    void setPointSize(int points); // brought into the range, then kept
    void zoom(int steps);
    void reset();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void apply(int points);

    TerminalView &m_view;
    SettingsStore &m_store;
    QWidget *m_viewport;
    int m_normal;
    int m_wheel = 0; // a wheel's eighths of a degree not yet made into a step
};
