#pragma once

#include <QLineEdit>

namespace vorn {

class CVornView;

// The field over the list pane that Ctrl+F shows: what is typed narrows the
// pane's rows (FileListFilter) as it is typed; Escape clears it, hides it and
// gives the keyboard back to the list; Enter or Down goes to the list and
// keeps the filter. It hides itself when the filter drops its text because
// another directory is shown.
class FileFilterField : public QLineEdit {
    Q_OBJECT
public:
    FileFilterField(CVornView& list, QWidget* parent = nullptr);

    // Shows the field with its text selected and the keyboard in it.
    void Open();
    // Clears the text, which shows every row again, and hides the field.
    void Close();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    CVornView& list_;
};

} // namespace vorn
