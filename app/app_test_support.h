#pragma once

// Shared set-up of the UI tests: one offscreen QApplication with its settings
// in a private folder, and an editor started on a scripted messenger.

#include "app/document_adapter.h"
#include "app/left_view.h"
#include "app/main_frame.h"
#include "app/vorn_app.h"
#include "app/vorn_view.h"
#include "archive/vorn_doc.h"
#include "base/recording_messenger.h"
#include "testing/archive_contents.h"
#include "testing/far_fixture.h"
#include "testing/qt/test_application.h"
#include "testing/temp_dir.h"

#include <QApplication>
#include <QLineEdit>
#include <QSettings>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

// Readable QStrings in test failures.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace vorn::apptest {

// The shared test application, offscreen, with its settings in a private folder.
inline QApplication& TestApplication()
{
    static vorn::testing::TempDir configFolder;
    static const bool prepared = [] {
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(configFolder.Path().string()));
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return true;
    }();
    (void)prepared;
    return vorn::testing::TestApplication();
}

inline std::filesystem::path WriteArchive(const vorn::testing::TempDir& folder, const std::string& name,
                                          const std::vector<vorn::testing::FarFixtureFile>& files)
{
    const std::filesystem::path path = folder / name;
    vorn::testing::WriteFileBytes(path, vorn::testing::MakeFarImage(files));
    return path;
}

inline QString Q(const std::filesystem::path& path)
{
    return QString::fromStdString(path.string());
}

// One editor per test, started with the given command line.
class EditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestApplication();
        QSettings().clear();
    }

    void TearDown() override
    {
        if (app_)
            app_->Document().SetModified(false);  // no save question on the way out
        app_.reset();
    }

    bool Start(const QStringList& arguments = {})
    {
        app_ = std::make_unique<CVornApp>(&messenger_);
        return app_->InitInstance(arguments);
    }

    CMainFrame& Frame() { return *app_->MainFrame(); }
    CLeftView& Left() { return *Frame().GetLeftPane(); }
    CVornView& Right() { return *Frame().GetRightPane(); }
    CVornDoc& Doc() { return app_->Document(); }
    DocumentAdapter& Adapter() { return Frame().Adapter(); }

    // Shows the window and makes it the active one, so focus and shortcuts
    // behave as on a desktop.
    void ShowActive()
    {
        Frame().show();
        QApplication::setActiveWindow(&Frame());
        ASSERT_TRUE(QTest::qWaitForWindowActive(&Frame()));
    }

    // Presses a key in the focused widget, as a user at the keyboard does.
    void Press(int key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier)
    {
        // Right after a modal dialog the window may not be active again yet.
        QApplication::setActiveWindow(&Frame());
        QWidget* target = QApplication::focusWidget();
        QTest::keyClick(target ? target : &Right(), static_cast<Qt::Key>(key), modifiers);
    }

    // Types `text` into the list pane's open name editor and presses Enter;
    // false when no editor is open.
    bool TypeIntoEditor(const QString& text)
    {
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        if (!editor || !Right().isAncestorOf(editor))
            return false;
        editor->setText(text);
        QTest::keyClick(editor, Qt::Key_Return);
        // The delegate commits the text from a queued call.
        QCoreApplication::processEvents();
        return true;
    }

    std::vector<std::string> RowNames()
    {
        std::vector<std::string> names;
        for (int row = 0; row < Right().RowCount(); ++row)
            names.push_back(Right().NameOf(row));
        return names;
    }

    // The texts of the tree pane's items below `parent`, in order.
    static std::vector<std::string> ChildTexts(const QModelIndex& parent)
    {
        std::vector<std::string> texts;
        for (int i = 0; parent.isValid() && i < parent.model()->rowCount(parent); ++i)
            texts.push_back(Child(parent, i).data().toString().toStdString());
        return texts;
    }
    static QModelIndex Child(const QModelIndex& parent, int row) { return parent.model()->index(row, 0, parent); }
    static int ChildCount(const QModelIndex& parent) { return parent.model()->rowCount(parent); }

    vorn::testing::TempDir folder_;
    RecordingMessenger messenger_;
    std::unique_ptr<CVornApp> app_;
};

} // namespace vorn::apptest
