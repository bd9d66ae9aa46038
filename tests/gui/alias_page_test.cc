// The wizard's profile field and Aliases step driven headless by clicks and
// typing: a profile that cannot be used is refused with its problems and the
// focus on the field; the Aliases step shows each alias found, its choice
// and fields follow the selected row, and what is typed reaches the run's
// choices and the summary.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>
#include <filesystem>
#include <string>

#include "wizard_form_fixture.h"

using namespace tolvern;

class AliasPageTest : public QObject, public testing::WizardFormFixture {
  Q_OBJECT

 private slots:
  void init() { SetUpProject(); }
  void cleanup() { TearDownProject(); }

  void aBadProfileIsRefusedWithTheFocusOnItsField() {
    auto w = NewWizard();
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    for (int i = 0; i < 3; ++i) Click(*w, "btNext");
    auto* profile = Child<QLineEdit>(*w, "edProfile");
    profile->setFocus();
    const std::string bad = dir_->Write("bad.json", "{\"aliases\": ");
    QTest::keyClicks(profile, QString::fromStdString(bad));
    QString said;
    AnswerMessageBox(&said);
    Click(*w, "btNext");
    QVERIFY2(said.startsWith(QString::fromStdString("The profile \"" + bad + "\" cannot be used:")),
             qPrintable(said));
    QCOMPARE(w->Model().Page(), WizardPage::kStep4);
    // The wizard is active again once the box is gone.
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(profile));
  }

  void theAliasesStepTakesEachChoice() {
    auto w = NewWizard();
    w->Model().ScanAliases = [](const WizardModel&) {
      return std::vector<AliasReport>{
          {"LEDGER", 3, {"frmMain", "frmReports"}, AliasAction::kUnmapped, ""},
          {"MISC", 1, {"frmReports"}, AliasAction::kBind, "frmReports.dbRemote"}};
    };
    for (int i = 0; i < 4; ++i) Click(*w, "btNext");
    QCOMPARE(w->Model().Page(), WizardPage::kAliases);
    QCOMPARE(w->windowTitle(), QString("Nexa Migration Wizard - Step 5 of 6"));
    auto* list = Child<QTableWidget>(*w, "lvAliases");
    QCOMPARE(list->rowCount(), 2);
    QCOMPARE(list->item(0, 2)->text(), QString("frmMain, frmReports"));
    QCOMPARE(list->item(1, 3)->text(), QString("frmReports.dbRemote"));  // as the profile says
    auto* choice = Child<QComboBox>(*w, "cbAliasChoice");
    auto* database = Child<QLineEdit>(*w, "edDatabase");
    auto* component = Child<QLineEdit>(*w, "edBind");
    // The first row: a new connection, its database typed.
    QCOMPARE(choice->currentIndex(), int(AliasChoiceKind::kNew));
    QVERIFY(database->isEnabled() && !component->isEnabled());
    database->setFocus();
    QTest::keyClicks(database, "ledger.nxdb");
    // Its tables' folder, and the data moved with the run.
    auto* folder = Child<QLineEdit>(*w, "edDataFolder");
    QVERIFY(folder->isEnabled());
    folder->setFocus();
    QTest::keyClicks(folder, "/srv/ledger");
    QTest::mouseClick(Child<QCheckBox>(*w, "cbMoveData"), Qt::LeftButton);
    QVERIFY(w->Model().Aliases.move_data);
    // The second row: bound elsewhere, by choice.
    list->selectRow(1);
    QCOMPARE(choice->currentIndex(), int(AliasChoiceKind::kAsProfile));
    QVERIFY(!folder->isEnabled());  // the profile's own folder holds
    choice->setCurrentIndex(int(AliasChoiceKind::kBind));
    QVERIFY(component->isEnabled() && !database->isEnabled());
    component->setFocus();
    QTest::keyClicks(component, "frmMain.dbLocal");
    QCOMPARE(list->item(1, 3)->text(), QString("frmMain.dbLocal"));
    Click(*w, "btNext");
    const QString summary = Child<QLabel>(*w, "lSummary")->text();
    QVERIFY2(summary.contains("Alias LEDGER (3 data set(s)): a new connection in NxConnections, "
                              "database ledger.nxdb; its tables moved from /srv/ledger\n"),
             qPrintable(summary));
    QVERIFY2(summary.contains("Alias MISC (1 data set(s)): bound to frmMain.dbLocal; its tables: "
                              "no folder given, not moved\n"),
             qPrintable(summary));
    QVERIFY(w->Model().Aliases.ProfileText().find("\"data\": \"/srv/ledger\"") !=
            std::string::npos);
    // Back keeps the choices on show.
    Click(*w, "btPrev");
    list->selectRow(0);
    QCOMPARE(database->text(), QString("ledger.nxdb"));
    QCOMPARE(folder->text(), QString("/srv/ledger"));
    QVERIFY(Child<QCheckBox>(*w, "cbMoveData")->isChecked());
  }
};

QTEST_MAIN(AliasPageTest)
#include "alias_page_test.moc"
