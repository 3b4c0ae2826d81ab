// The keep list's names: an editable combo box whose list is the model's.
#include "ui/binder.h"

#include <QComboBox>
#include <QLineEdit>

namespace kurumin::ui {

namespace {

class ComboBinder final : public Binder {
  public:
    ComboBinder(Ctl id, QWidget* parent, BinderHost& host)
        : Binder(new QComboBox(parent), id, host) {
        QComboBox* b = box();
        b->setEditable(true);
        // Enter in the edit field adds nothing.
        b->setInsertPolicy(QComboBox::NoInsert);
        host.routeEvents(b->lineEdit(), id);
        connect(b, &QComboBox::activated, this, [this](int index) {
            if (!host_.syncing() && !host_.fromUser(id_).selectItem(id_, index)) host_.refused(id_);
        });
        connect(b->lineEdit(), &QLineEdit::textChanged, this, [this](const QString& t) {
            if (!host_.syncing() && !host_.fromUser(id_).editText(id_, t)) host_.refused(id_);
        });
    }

    void show(const Control& c) override {
        QComboBox* b = box();
        QStringList shown;
        for (int i = 0; i < b->count(); ++i)
            shown << b->itemText(i);
        if (shown != c.items) {
            b->clear();
            b->addItems(c.items);
        }
        QLineEdit* edit = b->lineEdit();
        const QString typed = edit->text();
        const int caret = edit->cursorPosition();
        if (b->currentIndex() != c.listIndex) b->setCurrentIndex(c.listIndex);
        if (b->currentText() != c.caption) b->setEditText(c.caption);
        // A typed name loses its entry, not the place being typed at.
        if (edit->text() == typed) edit->setCursorPosition(caret);
    }

  private:
    QComboBox* box() const { return static_cast<QComboBox*>(widget()); }
};

} // namespace

Binder* bindComboBox(Ctl id, QWidget* parent, BinderHost& host) {
    return new ComboBinder(id, parent, host);
}

} // namespace kurumin::ui
