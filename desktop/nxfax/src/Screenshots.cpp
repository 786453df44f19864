// nxfax --screenshots; see Screenshots.h.
//
// The panels are shown in the program's own window; a short walk clicks through the windows
// they open (each window is pictured when it appears, then left with its Cancel button, as
// Escape would).
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
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
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <QPainter>

#include "FaxQueues.h"
#include "nx/desktop/qt_scripted_toolkit.h"
#include "Screenshots.h"
#include "Texts.h"
#include "WindowCheck.h"
#include "nx/desktop/qt_scripted_toolkit.h"
#include "nx/desktop/qt_toolkit.h"
#include "nx/platform/services.h"

namespace nxfax {
namespace {

// Key of the alert being run, to name its picture.
std::string g_alertKey;

// A key as a file name: letters, digits, "-" and "_"; anything else becomes "_".
QString FileName(const std::string& key) {
  QString out;
  for (char c : key) out += std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' ? QChar(c) : QChar('_');
  return out;
}

// One thing the walk does in a window.
struct Act {
  enum Type { kClick, kType, kSelect, kSelectRow, kShot } type;
  int tag;
  int index = 0;
  const char* text = "";
};
Act Click(int tag) { return {Act::kClick, tag}; }
Act Type(int tag, const char* text) { return {Act::kType, tag, 0, text}; }
Act Select(int tag, int index) { return {Act::kSelect, tag, index}; }
Act SelectRow(int tag, int row) { return {Act::kSelectRow, tag, row}; }
// The window pictured again, now that the walk filled it.
Act Shot() { return {Act::kShot, 0}; }

// What the walk does in each window, by layout name and by how often the window showed before.
const std::map<std::string, std::vector<std::vector<Act>>>& Walk() {
  static const std::map<std::string, std::vector<std::vector<Act>>> walk = {
      {"RecipientSetting_Default00",
       {{Type(2, "Example Office"), Type(7, "0312345678"), Click(5), Select(11, 1), Type(2, "Branch"),
         Type(9, "12"), Click(5), SelectRow(4, 0), Shot(), Click(15), Click(16), Click(14), Click(19)}}},
      {"FaxNumberConfirm", {{Type(4, "0312345678"), Click(7)}, {Type(6, "12"), Click(7)}}},
      {"Phonebook_Default00",
       {{Click(1), Click(8), Click(8), Click(8), SelectRow(5, 0), Click(6), Shot(), Click(10), SelectRow(5, 1), Click(10),
         Click(11), Click(15)}}},
      // An individual, a group, then a second group that looks at the first one's properties.
      {"FaxPBNewEntry", {{Click(3)}, {Click(2), Click(3)}, {Click(2), Click(3)}}},
      {"FaxPBIndividualEntry",
       {{Type(21, "Example Office"), Type(23, "Example Ltd."), Type(27, "0312345678"), Type(29, "0312340000"),
         Shot(), Click(13), Click(10)}}},
      {"FaxPBGroupEntry",
       {{Type(21, "Sales"), SelectRow(23, 0), Click(25), Shot(), Click(10)},
        {Type(22, "Sales"), SelectRow(23, 0), Click(24)}}},
      {"FaxPBGroupProperties", {{SelectRow(20, 0), Shot()}}},
      {"JBAInfoWnd", {{Click(30), Click(10)}}},
      // OK, so that the account panel is asked next and shows its per-job prompt.
      {"FaxJobConfirmation", {{Click(16)}}},
      {"JBAInputWindow", {{Type(46, "carol"), Type(48, "9876"), Shot()}}},
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
    std::fprintf(stderr, "nxfax: %s: element %d cannot be used\n", qPrintable(window->objectName()), act.tag);
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
        nx::desktop::TypeKeys(line, QString::fromUtf8(act.text));
        emit line->editingFinished();
      }
      break;
    case Act::kSelect:
      if (auto* c = qobject_cast<QComboBox*>(w)) {
        c->setCurrentIndex(act.index);
        emit c->activated(act.index);
      }
      break;
    case Act::kShot: break;
    case Act::kSelectRow:
      if (auto* t = qobject_cast<QTreeWidget*>(w); t && act.index < t->topLevelItemCount())
        t->setCurrentItem(t->topLevelItem(act.index));
      break;
  }
  QApplication::processEvents();
}

// Faults of a window the program shows, on standard error as "nxfax: fault: NAME: ...". Qt's
// own file dialogs are not the program's to fix.
void ReportFaults(QWidget* window, const QString& name) {
  if (qobject_cast<QFileDialog*>(window)) return;
  for (const QString& fault : WindowFaults(window, JapaneseSession()))
    std::fprintf(stderr, "nxfax: fault: %s: %s\n", qPrintable(name), qPrintable(fault));
}

class Shooter : public QObject {
 public:
  Shooter(QString out, QString scratch) : out_(std::move(out)), scratch_(std::move(scratch)) {}

  void Save(QWidget* w, const QString& name) {
    QApplication::processEvents();
    const QString path = out_ + "/" + name + ".png";
    if (!w->grab().save(path)) std::fprintf(stderr, "nxfax: cannot write %s\n", qPrintable(path));
    else std::printf("%s\t%s\n", qPrintable(path), qPrintable(w->windowTitle()));
    ReportFaults(w, name);
  }

  bool Saw(const QString& name) const { return count_.count(name) > 0; }

  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::Show) {
      auto* d = qobject_cast<QDialog*>(o);
      if (d && d->isWindow() && !seen_.count(d)) {
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
    if (qobject_cast<QMessageBox*>(d))
      name = g_alertKey.empty() ? QStringLiteral("alert-%1").arg(++alerts_) : QStringLiteral("alert-") + FileName(g_alertKey);
    else if (qobject_cast<QFileDialog*>(d)) name = QStringLiteral("file-%1").arg(++files_);
    if (name.isEmpty()) name = QStringLiteral("window-%1").arg(++others_);
    const int occurrence = count_[name]++;
    if (qEnvironmentVariableIsSet("NXSHOT_TRACE")) std::fprintf(stderr, "nxfax: visit %s\n", qPrintable(name));
    if (occurrence == 0) Save(d, name);
    if (auto* box = qobject_cast<QMessageBox*>(d.data())) {
      std::fprintf(stderr, "nxfax: %s: %s\n", qPrintable(name), qPrintable(box->text()));
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
          nx::desktop::TypeKeys(name, book);
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
        if (act.type == Act::kShot) Save(d, name);
        else Do(d, act);
      }
    if (d && d->isVisible()) d->reject();  // Escape: the window's Cancel
    if (d && d->isVisible()) {
      std::fprintf(stderr, "nxfax: %s did not close on Escape\n", qPrintable(name));
      d->done(0);
    }
  }

  QString out_;
  QString scratch_;
  std::set<QObject*> seen_;
  std::map<QString, int> count_;
  int alerts_ = 0, files_ = 0, others_ = 0;
};

// The desktop toolkit, noting which alert runs.
class ScreenshotToolkit final : public nx::platform::ui::Toolkit {
 public:
  explicit ScreenshotToolkit(std::unique_ptr<Toolkit> inner) : inner_(std::move(inner)) {}
  std::unique_ptr<nx::platform::ui::View> LoadView(const nx::platform::Bundle& b, std::string_view n) override {
    return inner_->LoadView(b, n);
  }
  std::unique_ptr<nx::platform::ui::Window> LoadWindow(const nx::platform::Bundle& b, std::string_view n) override {
    return inner_->LoadWindow(b, n);
  }
  std::unique_ptr<nx::platform::ui::View> CreateView(std::string name) override {
    return inner_->CreateView(std::move(name));
  }
  std::unique_ptr<nx::platform::ui::Window> CreateWindow(std::string name, std::string title) override {
    return inner_->CreateWindow(std::move(name), std::move(title));
  }
  int RunModal(nx::platform::ui::Window& w) override { return inner_->RunModal(w); }
  void StopModal(nx::platform::ui::Window& w, int response) override { inner_->StopModal(w, response); }
  bool IsRunningModal(const nx::platform::ui::Window& w) const override { return inner_->IsRunningModal(w); }
  int RunAlert(const nx::platform::ui::Alert& alert) override {
    const std::string outer = g_alertKey;
    g_alertKey = !alert.title_key.empty() ? alert.title_key : alert.text_key;
    const int answer = inner_->RunAlert(alert);
    g_alertKey = outer;
    return answer;
  }
  void Beep() override { inner_->Beep(); }
  std::optional<std::string> RunOpenPanel(const nx::platform::ui::OpenPanelRequest& r) override {
    return inner_->RunOpenPanel(r);
  }
  std::optional<std::string> RunSavePanel(const nx::platform::ui::SavePanelRequest& r) override {
    return inner_->RunSavePanel(r);
  }

 private:
  std::unique_ptr<Toolkit> inner_;
};

// A one-page sample document for the preview.
QString SampleDocument(const QString& folder) {
  QImage page(595, 842, QImage::Format_RGB32);
  page.fill(Qt::white);
  QPainter p(&page);
  QFont font = p.font();
  font.setPixelSize(28);
  font.setBold(true);
  p.setFont(font);
  p.drawText(QRect(48, 60, 500, 40), QStringLiteral("Example Office"));
  font.setPixelSize(14);
  font.setBold(false);
  p.setFont(font);
  for (int line = 0; line < 28; ++line)
    p.fillRect(48, 140 + line * 22, line % 5 == 4 ? 260 : 500, 8, QColor(180, 180, 180));
  p.end();
  const QString path = folder + "/Sample.png";
  page.save(path);
  return path;
}

}  // namespace

std::unique_ptr<nx::platform::ui::Toolkit> MakeScreenshotToolkit(std::unique_ptr<nx::platform::ui::Toolkit> inner) {
  return std::make_unique<ScreenshotToolkit>(std::move(inner));
}

int RunScreenshots(nx::platform::Services& services, const FaxSetup& setup, const QString& dir) {
  QDir().mkpath(dir);
  QTemporaryDir scratch;
  Shooter shooter(dir, scratch.path());
  qApp->installEventFilter(&shooter);
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [] {
    std::fprintf(stderr, "nxfax: a window did not close in time\n");
    std::_Exit(2);
  });
  watchdog.start(120000);

  // The queue asks for fax numbers twice, so that the walk meets that window too: the PPD as a
  // server keeps it with that default.
  FaxSetup shots = setup;
  {
    QFile in(QString::fromStdString(setup.ppdPath));
    QFile copy(scratch.path() + "/Fax.ppd");
    if (in.open(QIODevice::ReadOnly) && copy.open(QIODevice::WriteOnly)) {
      for (QByteArray line; !(line = in.readLine()).isEmpty();)
        copy.write(line.startsWith("*DefaultNXReEnter:") ? QByteArray("*DefaultNXReEnter: On\n") : line);
      shots.ppdPath = copy.fileName().toStdString();
    }
  }
  FaxWindow window(services, shots);
  QString why;
  if (!window.SetQueues({{"Fax", "Fax", true}}, "Fax", &why)) {
    std::fprintf(stderr, "nxfax: %s\n", qPrintable(why));
    return 4;
  }
  window.SetDocument(SampleDocument(scratch.path()));
  window.resize(window.sizeHint());
  window.show();
  pdehost::PrintSession& session = *window.session();
  for (int i = 0; i < window.tabs()->count() && i < static_cast<int>(session.panels().size()); ++i) {
    window.tabs()->setCurrentIndex(i);
    const auto& panel = session.panels()[i];
    const std::string kind = panel.kind;
    nx::platform::ui::View* view = panel.panel->panelView();
    shooter.Save(&window, view ? QString::fromStdString(view->Name())
                               : QStringLiteral("panel-") + QString::fromStdString(kind.substr(kind.rfind('.') + 1)));
    for (const auto& [suffix, acts] : PanelWalk())
      if (kind.size() >= suffix.size() && kind.compare(kind.size() - suffix.size(), suffix.size(), suffix) == 0)
        for (const Act& act : acts) Do(window.tabs()->widget(i), act);
  }
  // The print sequence opens the panels' windows; the walk answers them. Nothing is sent.
  session.Print();

  // Windows the walk did not meet: their layout alone, stand-in texts where the plug-in's go.
  std::set<std::string> panes;
  for (const auto& p : session.panels())
    if (nx::platform::ui::View* view = p.panel->panelView()) panes.insert(view->Name());
  for (const auto& lp : session.plugins()) {
    std::error_code ec;
    for (const auto& f : std::filesystem::directory_iterator(lp->bundle->ResourcesDir(), ec)) {
      const std::string name = f.path().stem().string();
      if (f.path().extension() != ".nxlayout" || name.find('_') != std::string::npos || panes.count(name) ||
          shooter.Saw(QString::fromStdString(name)))
        continue;
      auto shown = services.toolkit().LoadWindow(*lp->bundle, name);
      if (!shown) continue;
      for (nx::platform::ui::Element* e : shown->Elements()) {
        const std::string n = std::to_string(e->Tag());
        if (e->Kind() == nx::platform::ui::ElementKind::kStaticText) e->SetStringValue("Label " + n + ":");
        else e->SetTitle("Title " + n);
      }
      QWidget* w = nx::desktop::WidgetOf(*shown);
      w->adjustSize();
      w->show();
      shooter.Save(w, QString::fromStdString(name) + "-unfilled");
      w->hide();
    }
  }
  return 0;
}

}  // namespace nxfax
