#include "client/ui/target_fields.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "client/rules/target_form.h"
#include "ui/cp932_text.h"

namespace vesk {

void AddField(QVBoxLayout* layout, const QString& label, QWidget* field) {
    layout->addWidget(new QLabel(label, field->parentWidget()));
    layout->addWidget(field);
}

std::optional<ConnectionTarget> ReadTargetFields(QLineEdit& address, QLineEdit& port,
                                                 MessageBoxView& messages) {
    const TargetForm form = ReadTargetForm(ToCp932(address.text()), ToCp932(port.text()));
    if (!form.target) {
        messages.ShowMessage(form.problem);
        FocusForRetyping(form.wrongField == TargetField::Address ? address : port);
    }
    return form.target;
}

void FocusForRetyping(QLineEdit& field) {
    field.setFocus();
    field.selectAll();
}

}  // namespace vesk
