// nxshot: renders every panel and window of the print-dialog plug-ins to PNG files, filled as
// the plug-ins fill them, in the user's language (LANGUAGE / LANG).
//
//   QT_QPA_PLATFORM=offscreen nxshot [--out DIR] [--bundles DIR] [--ppd FILE] [-o NAME=VALUE]...
//
// The panels are shown in a tabbed stand-in dialog; a short walk clicks through the windows
// they open (each window is pictured when it appears, then left with its Cancel button, as
// Escape would). Preferences and phonebooks go to a temporary folder unless NX_USER_PREFS_DIR is
// set, so the walk never touches the user's own files.
#include <cups/cups.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QAccessible>
#include <QtTest/QTest>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "nx/desktop/qt_toolkit.h"
#include "nx/platform/services.h"
#include "pdehost/DialogHost.h"
#include "pdehost/PlugInLoader.h"

namespace {

// One thing the walk does in a window.
struct Act {
  enum Type { kClick, kType, kSelect, kSelectRow } type;
  int tag;
  int index = 0;
  const char* text = "";
};
Act Click(int tag) { return {Act::kClick, tag}; }
Act Type(int tag, const char* text) { return {Act::kType, tag, 0, text}; }
Act Select(int tag, int index) { return {Act::kSelect, tag, index}; }
Act SelectRow(int tag, int row) { return {Act::kSelectRow, tag, row}; }

// What the walk does in each window, by layout name and by how often the window showed before.
const std::map<std::string, std::vector<std::vector<Act>>>& Walk() {
  static const std::map<std::string, std::vector<std::vector<Act>>> walk = {
      {"RecipientSetting_Default00",
       {{Type(2, "Example Office"), Type(7, "0312345678"), Click(5), Select(11, 1), Type(2, "Branch"),
         Type(9, "12"), Click(5), SelectRow(4, 0), Click(15), Click(16), Click(14), Click(19)}}},
      {"FaxNumberConfirm", {{Type(4, "0312345678"), Click(7)}}},
      {"Phonebook_Default00", {{Click(1), Click(8), Click(8), SelectRow(5, 0), Click(10), Click(11)}}},
      {"FaxPBNewEntry", {{Click(3)}, {Click(2), Click(3)}}},
      {"FaxPBGroupEntry", {{Type(21, "Sales"), Click(10)}}},
      {"JBAInfoWnd", {{Click(30), Click(10)}}},
  };
  return walk;
}

// The panels' own acts, by panel kind suffix, before printing.
const std::map<std::string, std::vector<Act>>& PanelWalk() {
  static const std::map<std::string, std::vector<Act>> walk = {
      {"AccountKind", {Select(2, 0), Click(5), Select(2, 1), Click(5)}},
  };
  return walk;
}

QWidget* Find(QWidget* in, int tag) { return in->findChild<QWidget*>(QStringLiteral("e%1").arg(tag)); }

void Do(QWidget* window, const Act& act) {
  QWidget* w = Find(window, act.tag);
  if (!w || !w->isEnabled() || !w->isVisibleTo(window)) {
    std::fprintf(stderr, "nxshot: %s: element %d cannot be used\n", qPrintable(window->objectName()), act.tag);
    return;
  }
  switch (act.type) {
    case Act::kClick:
      if (auto* b = qobject_cast<QAbstractButton*>(w)) b->click();
      break;
    case Act::kType:
      if (auto* line = qobject_cast<QLineEdit*>(w)) {
        line->setFocus();
        line->selectAll();
        QTest::keyClicks(line, QString::fromUtf8(act.text));
        emit line->editingFinished();
      }
      break;
    case Act::kSelect:
      if (auto* c = qobject_cast<QComboBox*>(w)) {
        c->setCurrentIndex(act.index);
        emit c->activated(act.index);
      }
      break;
    case Act::kSelectRow:
      if (auto* t = qobject_cast<QTreeWidget*>(w); t && act.index < t->topLevelItemCount())
        t->setCurrentItem(t->topLevelItem(act.index));
      break;
  }
  QApplication::processEvents();
}

// Focusable controls that a screen reader could not name.
void CheckNames(QWidget* window, const QString& name) {
  for (QWidget* w : window->findChildren<QWidget*>()) {
    if (!w->objectName().startsWith('e') || !w->isVisibleTo(window) || !(w->focusPolicy() & Qt::TabFocus)) continue;
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    if (!a || a->text(QAccessible::Name).trimmed().isEmpty())
      std::fprintf(stderr, "nxshot: %s: control %s has no accessible name\n", qPrintable(name),
                   qPrintable(w->objectName()));
  }
}

constexpr const char* kHost = "PrintDialog";

class Shooter : public QObject {
 public:
  Shooter(QString out, QString scratch) : out_(std::move(out)), scratch_(std::move(scratch)) {}

  void Save(QWidget* w, const QString& name) {
    QApplication::processEvents();
    const QString path = out_ + "/" + name + ".png";
    if (!w->grab().save(path)) std::fprintf(stderr, "nxshot: cannot write %s\n", qPrintable(path));
    else std::printf("%s\t%s\n", qPrintable(path), qPrintable(w->windowTitle()));
    CheckNames(w, name);
  }

  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::Show) {
      auto* d = qobject_cast<QDialog*>(o);
      if (d && d->isWindow() && !seen_.count(d) && d->objectName() != kHost) {
        seen_.insert(d);
        QPointer<QDialog> p(d);
        QTimer::singleShot(30, this, [this, p] {
          if (p) Visit(p);
        });
      }
    } else if (e->type() == QEvent::Hide) {
      seen_.erase(static_cast<QObject*>(o));
    }
    return false;
  }

 private:
  void Visit(QPointer<QDialog> d) {
    QString name = d->objectName();
    if (qobject_cast<QMessageBox*>(d)) name = QStringLiteral("alert-%1").arg(++alerts_);
    else if (qobject_cast<QFileDialog*>(d)) name = QStringLiteral("file-%1").arg(++files_);
    if (name.isEmpty()) name = QStringLiteral("window-%1").arg(++others_);
    const int occurrence = count_[name]++;
    if (qEnvironmentVariableIsSet("NXSHOT_TRACE")) std::fprintf(stderr, "nxshot: visit %s\n", qPrintable(name));
    if (occurrence == 0) Save(d, name);
    if (auto* box = qobject_cast<QMessageBox*>(d.data())) {
      std::fprintf(stderr, "nxshot: %s: %s\n", qPrintable(name), qPrintable(box->text()));
      if (box->defaultButton()) box->defaultButton()->click();
      else box->reject();
      return;
    }
    if (auto* files = qobject_cast<QFileDialog*>(d.data())) {
      // New phonebooks go to the scratch folder; there is nothing to open.
      if (files->acceptMode() == QFileDialog::AcceptSave) {
        // As a user would: the name typed into the dialog's own field, then Save.
        const QString book = files->directory().filePath(QStringLiteral("Book.fap"));
        QDir().mkpath(files->directory().path());
        auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        auto* row = files->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
        if (name && row && row->button(QDialogButtonBox::Save)) {
          name->clear();
          QTest::keyClicks(name, book);
          row->button(QDialogButtonBox::Save)->click();
        }
        if (files->isVisible()) files->reject();
      } else {
        files->reject();
      }
      return;
    }
    const auto walk = Walk().find(name.toStdString());
    if (walk != Walk().end() && occurrence < static_cast<int>(walk->second.size()))
      for (const Act& act : walk->second[occurrence]) {
        if (!d || !d->isVisible()) return;
        Do(d, act);
      }
    if (d && d->isVisible()) d->reject();  // Escape: the window's Cancel
    if (d && d->isVisible()) {
      std::fprintf(stderr, "nxshot: %s did not close on Escape\n", qPrintable(name));
      d->done(0);
    }
  }

  QString out_;
  QString scratch_;
  std::set<QObject*> seen_;
  std::map<QString, int> count_;
  int alerts_ = 0, files_ = 0, others_ = 0;
};

int Usage(const char* why) {
  if (why) std::fprintf(stderr, "nxshot: %s\n", why);
  std::fprintf(stderr, "usage: nxshot [--out DIR] [--bundles DIR] [--ppd FILE] [-o NAME=VALUE]...\n");
  return 3;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationDisplayName(QStringLiteral("nxshot"));
  QString out = QStringLiteral("shots");
  std::string bundles = NX_BINARY_DIR;
  std::string ppd = NX_SOURCE_DIR "/ppd/nxfax.ppd";
  std::vector<std::pair<std::string, std::string>> options;
  const QStringList args = QApplication::arguments();
  for (int i = 1; i < args.size(); ++i) {
    const QString& a = args[i];
    if (i + 1 >= args.size()) return Usage("an option lacks its value");
    const std::string v = args[++i].toStdString();
    if (a == "--out") out = QString::fromStdString(v);
    else if (a == "--bundles") bundles = v;
    else if (a == "--ppd") ppd = v;
    else if (a == "-o" && v.find('=') != std::string::npos) options.emplace_back(v.substr(0, v.find('=')), v.substr(v.find('=') + 1));
    else return Usage("unknown option");
  }
  QDir().mkpath(out);

  QTemporaryDir scratch;
  if (qEnvironmentVariableIsEmpty("NX_USER_PREFS_DIR")) {
    qputenv("NX_USER_PREFS_DIR", (scratch.path() + "/prefs").toUtf8());
    qputenv("NX_ANY_USER_PREFS_DIR", (scratch.path() + "/anyprefs").toUtf8());
    qputenv("XDG_DATA_HOME", (scratch.path() + "/data").toUtf8());
    qputenv("NX_PRIVATE_TMP", scratch.path().toUtf8());
  }

  auto services = nx::platform::Services::Linux(nx::desktop::MakeQtToolkit());
  auto ppdFile = pdekit::OpenPPDFile(ppd);
  if (!ppdFile) return Usage("cannot read the PPD");
  ppdMarkDefaults(ppdFile.get());
  pdekit::BasicPrintSettings settings;
  for (const auto& [k, v] : options) {
    ppdMarkOption(ppdFile.get(), k.c_str(), v.c_str());
    settings.SetValue(k, v, false);
  }
  pdekit::BasicPrintSession session;
  session.SetCurrentPrinterID(std::filesystem::path(ppd).stem().string());
  session.SetDestinationType(pdekit::kPMDestinationPrinter);
  session.SetSessionData(pdekit::kPMPPDReference, ppd);
  pdehost::DialogHostCallback callback(&session, &settings, ppdFile.get());

  std::vector<std::unique_ptr<pdehost::LoadedPlugIn>> plugins;
  std::vector<std::unique_ptr<pdekit::PDEPanel>> panels;
  for (const char* name : {"accountpde.plugin", "faxpde.plugin"}) {
    std::string why;
    auto loaded = pdehost::LoadPlugIn(bundles + "/" + name, *services, &why);
    if (!loaded) {
      std::fprintf(stderr, "nxshot: %s\n", why.c_str());
      return 4;
    }
    for (auto& p : loaded->plugin->PDEPanelsForType(pdekit::kPrintDialogPDEType, &callback)) {
      if (!p) continue;
      p->supportedPPDOptionKeys();
      panels.push_back(std::move(p));
    }
    plugins.push_back(std::move(loaded));
  }

  Shooter shooter(out, scratch.path());
  app.installEventFilter(&shooter);
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [] {
    std::fprintf(stderr, "nxshot: a window did not close in time\n");
    std::_Exit(2);
  });
  watchdog.start(120000);

  QDialog host;
  host.setObjectName(kHost);
  host.setWindowTitle(QApplication::translate("QPrintDialog", "Print"));
  auto* tabs = new QTabWidget(&host);
  (new QVBoxLayout(&host))->addWidget(tabs);
  std::vector<QWidget*> pages;
  for (auto& p : panels) {
    nx::platform::ui::View* view = p->panelView();
    QWidget* page = view ? nx::desktop::WidgetOf(*view) : nullptr;
    if (!page) continue;
    std::string why;
    p->restoreValuesAndReturnError(&why);
    p->willShow();
    tabs->addTab(page, QString::fromStdString(p->panelName()));
    pages.push_back(page);
  }
  host.show();
  for (size_t i = 0; i < panels.size() && i < pages.size(); ++i) {
    tabs->setCurrentWidget(pages[i]);
    const std::string kind = panels[i]->panelKind();
    shooter.Save(&host, QStringLiteral("panel-") + QString::fromStdString(kind.substr(kind.rfind('.') + 1)));
    for (const auto& [suffix, acts] : PanelWalk())
      if (kind.size() >= suffix.size() && kind.compare(kind.size() - suffix.size(), suffix.size(), suffix) == 0)
        for (const Act& act : acts) Do(pages[i], act);
  }
  // Print: every panel saves, then may open its windows.
  for (auto& p : panels) {
    std::string why;
    p->saveValuesAndReturnError(&why);
  }
  for (auto& p : panels) p->shouldPrint();
  panels.clear();
  plugins.clear();
  return 0;
}
