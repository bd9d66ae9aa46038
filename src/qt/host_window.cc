#include "qt/host_window.h"

#include <QAction>
#include <QFileDialog>
#include <QLibrary>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>

namespace tolvern {

namespace {

HostWindow* g_registering = nullptr;

bool RegisterWizard(IOTAWizard* wizard);

}  // namespace

HostWindow::HostWindow() {
  setObjectName("HostWindow");
  setWindowTitle("Tolvern");
  resize(520, 360);
  modules_ = new QListWidget(this);
  modules_->setObjectName("Modules");
  setCentralWidget(modules_);
  QMenu* file = menuBar()->addMenu("&File");
  QAction* open = file->addAction("&Open Project...");
  connect(open, &QAction::triggered, this, [this] {
    QString f = QFileDialog::getOpenFileName(this, "Open Project", QString(),
                                             "Pascal projects (*.dpr);;All files (*)");
    if (!f.isEmpty()) OpenProjectFile(f);
  });
  QAction* close = file->addAction("&Close All");
  connect(close, &QAction::triggered, this, [this] { CloseProjectGroup(); });
  file->addSeparator();
  QAction* exit = file->addAction("E&xit");
  connect(exit, &QAction::triggered, this, &QWidget::close);
  QMenu* nexa = menuBar()->addMenu("&Nexa");
  nexa->setObjectName("NexaMenu");
  nexa_submenu_ = nexa;
  ShowModules();
}

HostWindow::~HostWindow() {
  // The experts go before the modules that hold their code.
  wizards_.clear();
  for (auto& lib : libraries_) lib->unload();
}

bool HostWindow::LoadExpert(const QString& path, QString* error) {
  auto lib = std::make_unique<QLibrary>(path);
  if (!lib->load()) {
    if (error) *error = lib->errorString();
    return false;
  }
  using Entry = bool (*)(IdeServices*, bool (*)(IOTAWizard*), void**);
  auto entry = reinterpret_cast<Entry>(lib->resolve("INITWIZARD0001"));
  if (!entry) {
    if (error) *error = path + ": no INITWIZARD0001 entry point";
    return false;
  }
  g_registering = this;
  entry(this, &RegisterWizard, nullptr);
  g_registering = nullptr;
  libraries_.push_back(std::move(lib));
  return true;
}

namespace {
bool RegisterWizard(IOTAWizard* wizard) {
  if (!g_registering) return false;
  g_registering->AdoptWizard(wizard);
  return true;
}
}  // namespace

bool HostWindow::OpenProjectFile(const QString& file) {
  try {
    Load(file.toStdString());
  } catch (const std::exception& e) {
    QMessageBox::critical(this, "Tolvern", e.what());
    return false;
  }
  ShowModules();
  return true;
}

bool HostWindow::CloseProjectGroup() {
  bool ok = ProjectHost::CloseProjectGroup();
  ShowModules();
  return ok;
}

bool HostWindow::OpenProject(const std::string& file_name) {
  bool ok = ProjectHost::OpenProject(file_name);
  ShowModules();
  return ok;
}

void HostWindow::AddWizard(const std::string& caption, const std::string& name,
                           std::function<void()> on_click) {
  QAction* item = nexa_submenu_->addAction(QString::fromStdString(caption));
  item->setObjectName(QString::fromStdString(name));
  connect(item, &QAction::triggered, this, [this, on_click] {
    // The environment's own error display.
    try {
      on_click();
    } catch (const std::exception& e) {
      QMessageBox::critical(this, "Tolvern", e.what());
    }
  });
}

void HostWindow::ShowModules() {
  modules_->clear();
  if (!HasProject()) {
    setWindowTitle("Tolvern");
    return;
  }
  setWindowTitle(QString("Tolvern - %1").arg(QString::fromStdString(ProjectFileName())));
  for (int i = 0; i < ProjectModuleCount(); ++i)
    modules_->addItem(QString::fromStdString(ProjectModuleFileName(i)));
}

}  // namespace tolvern
