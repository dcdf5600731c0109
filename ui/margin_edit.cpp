#include "ui/margin_edit.h"

#include <QKeyEvent>

namespace zendavo {

namespace {

// The editing shortcuts a margin box keeps.
bool isEditingShortcut(const QKeyEvent& event)
{
    for (const QKeySequence::StandardKey key :
         {QKeySequence::Copy, QKeySequence::Cut, QKeySequence::Paste, QKeySequence::Undo,
          QKeySequence::Redo, QKeySequence::SelectAll})
        if (event.matches(key)) return true;
    return false;
}

// A key that would insert text other than one digit or "-", whatever modifier is held (a
// line edit inserts the text of Alt and Super combinations too).
bool typesForbiddenText(const QKeyEvent& event)
{
    const QString text = event.text();
    if (text.isEmpty() || isEditingShortcut(event)) return false;
    for (const QChar ch : text) {
        if (!ch.isPrint()) return false;  // backspace, tab, return: editing keys
        if (!(ch >= u'0' && ch <= u'9') && ch != u'-') return true;
    }
    return false;
}

}  // namespace

MarginEdit::MarginEdit(const QString& text, QWidget* parent) : QLineEdit(text, parent)
{
    setAlignment(Qt::AlignCenter);
    // An input method would bring text past the key filter.
    setAttribute(Qt::WA_InputMethodEnabled, false);
}

void MarginEdit::keyPressEvent(QKeyEvent* event)
{
    if (typesForbiddenText(*event)) {
        event->accept();  // swallowed, so it does not reach the dialog either
        return;
    }
    QLineEdit::keyPressEvent(event);
}

}  // namespace zendavo
