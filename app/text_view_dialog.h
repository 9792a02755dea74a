#pragma once

#include <QDialog>

#include <string_view>

class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace vorn {

// "View Text file": a text entry (".txt", ".ini", ".cfg") shown read-only in
// a monospace font, its bytes as Latin-1 like every archive name, with a
// find line under it: Ctrl+F goes to it, Enter and F3 find the next match,
// Shift+F3 the previous one, letter case ignored, wrapping at the ends.
// Escape and the close box end it.
class TextViewDialog : public QDialog {
    Q_OBJECT

public:
    explicit TextViewDialog(QWidget* parent = nullptr);

    void SetText(std::string_view bytes);
    QPlainTextEdit* Viewer() const { return viewer_; }
    QLineEdit* FindField() const { return findField_; }
    // Selects the next (or previous) match of the find field's text from
    // the cursor; false, and says so under the text, when there is none.
    bool FindNext(bool backward = false);

private:
    QPlainTextEdit* viewer_ = nullptr;
    QLineEdit* findField_ = nullptr;
    QLabel* findStatus_ = nullptr;
};

} // namespace vorn
