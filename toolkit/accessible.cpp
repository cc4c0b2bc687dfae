#include "toolkit/accessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLineEdit>

namespace tk {
namespace {

class NamedCombo : public QAccessibleWidget {
  public:
    explicit NamedCombo(QWidget* w) : QAccessibleWidget(w, QAccessible::ComboBox) {}
    QString text(QAccessible::Text t) const override {
        const auto* combo = static_cast<const QComboBox*>(widget());
        if (t == QAccessible::Name)
            return combo->accessibleName();
        if (t == QAccessible::Value)
            return combo->currentText();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* comboFactory(const QString& className, QObject* object) {
    if (className == QLatin1String(ComboBox::staticMetaObject.className()) && object)
        return new NamedCombo(static_cast<QWidget*>(object));
    return nullptr;
}

} // namespace

ComboBox::ComboBox(QWidget* parent) : QComboBox(parent) {
    static const bool installed = [] {
        QAccessible::installFactory(comboFactory);
        return true;
    }();
    (void)installed;
}

void ComboBox::setName(const QString& name) {
    setAccessibleName(name);
    if (QLineEdit* field = lineEdit())
        field->setAccessibleName(name);
}

} // namespace tk
