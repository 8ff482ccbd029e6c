#pragma once

// Forms (windows made of fields, lists and buttons rather than a conversation)
// as automation sees and drives them: each control by its label, which the form
// gives it as accessible name (buttons also by their own text).
//
// Dump records, one a line, fields split by tabs, in the order of the form:
//   field <label> <text>                        an edit
//   check <label> <checked|unchecked>           a check box or radio button
//   item <list> <text> <selected|unselected>    each row of a list
//
// Typing: "label<TAB>value" types the value into the edit of that label (its old
// text replaced, as by select-all and typing) or selects the row of that text in
// the list of that label; "label" alone clicks the button, radio button or check
// box of that label.

#include <QString>

class QWidget;

namespace tavern {

// Whether the widget holds labelled controls that make it a form.
bool IsForm(const QWidget *form);
QString DumpFormControls(const QWidget *form);
// False when the form has no such control, or no such row.
bool TypeIntoForm(QWidget *form, const QString &typed);

} // namespace tavern
