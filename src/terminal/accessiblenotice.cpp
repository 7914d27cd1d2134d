// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminal/accessiblenotice.h"

#include "shared/assistivetools.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace {

// A notification that counts as shown: the tool reads what is shown.
class NoticeAccessible final : public QAccessibleWidget
{
public:
    explicit NoticeAccessible(QWidget *notice) : QAccessibleWidget(notice, QAccessible::Notification) {}

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.invisible = false;
        state.offscreen = false;
        return state;
    }
};

QAccessibleInterface *noticeFactory(const QString &key, QObject *object)
{
    if (key == QLatin1String("AccessibleNotice") && object->isWidgetType())
        return new NoticeAccessible(static_cast<QWidget *>(object));
    return nullptr;
}

} // namespace

AccessibleNotice::AccessibleNotice(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("accessibleNotice"));
    static const bool installed = [] {
        QAccessible::installFactory(&noticeFactory);
        return true;
    }();
    Q_UNUSED(installed)
    hide();
}

void AccessibleNotice::announce(const QString &notice)
{
    if (!AssistiveTools::active() || notice.isEmpty())
        return;
    setAccessibleName(notice);
    QAccessibleEvent shown(this, QAccessible::ObjectShow);
    AssistiveTools::tell(shown);
}
