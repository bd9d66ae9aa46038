// What the wizard dialog's tests share: the orders example copied to a
// scratch folder and open as the project, the replacers' library, and
// helpers that show the wizard, find its controls, click them and answer
// message boxes as a user would. A test class derives from QObject and this,
// and calls SetUpProject and TearDownProject from its init and cleanup.
#pragma once

#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <memory>
#include <string>

#include "engine/nx_replacer.h"
#include "ide/project_host.h"
#include "qt/nx_wizard_form.h"
#include "qt/path_text.h"
#include "test_support.h"

namespace tolvern::testing {

class WizardFormFixture {
 protected:
  void SetUpProject() {
    namespace fs = std::filesystem;
    dir_ = std::make_unique<testing::ScratchDir>();
    fs::copy(std::string(TOLVERN_SOURCE_DIR) + "/examples/orders", *dir_ / "app",
             fs::copy_options::recursive);
    host_ = std::make_unique<ProjectHost>();
    host_->Load(*dir_ / "app/Orders.dpr");
    services_ = std::make_unique<ScopedIdeServices>(host_.get());
    library_ = std::make_unique<NXReplacerScope>();
  }
  void TearDownProject() {
    library_.reset();
    services_.reset();
    host_.reset();
    dir_.reset();
  }

  std::unique_ptr<testing::ScratchDir> dir_;
  std::unique_ptr<ProjectHost> host_;
  std::unique_ptr<ScopedIdeServices> services_;
  std::unique_ptr<NXReplacerScope> library_;

  std::unique_ptr<TNXWizardForm> NewWizard() {
    auto w = std::make_unique<TNXWizardForm>();
    w->Model().ProductName = "Nexa";
    w->Model().Options = ReplaceOptions;
    w->SetWelcomeText(ReplaceOptions->Name, "Nexa");
    w->show();
    if (!QTest::qWaitForWindowExposed(w.get())) qWarning("wizard not exposed");
    return w;
  }
  template <typename T>
  static T* Child(QWidget& w, const char* name) {
    T* c = w.findChild<T*>(name);
    if (!c) qFatal("no child %s", name);
    return c;
  }
  // Clicks a button where a user would: a check box or radio button on its
  // indicator, which is where it reacts.
  static void Click(QWidget& w, const char* name) {
    QAbstractButton* b = Child<QAbstractButton>(w, name);
    QPoint at = b->rect().center();
    if (qobject_cast<QCheckBox*>(b) || qobject_cast<QRadioButton*>(b)) at.setX(8);
    QTest::mouseClick(b, Qt::LeftButton, Qt::NoModifier, at);
  }
  // Answers the next message box with `button`, keeping its text as given
  // (without the breaks of long paths) in *text.
  static void AnswerMessageBox(QString* text,
                               QMessageBox::StandardButton button = QMessageBox::NoButton) {
    QTimer::singleShot(0, [text, button] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        *text = WithoutPathBreaks(box->text());
        if (button != QMessageBox::NoButton)
          box->button(button)->click();
        else
          box->accept();
      }
    });
  }
};

}  // namespace tolvern::testing
