// nxfax: sends a document as a fax through the print-dialog plug-ins' panels and windows.
//
//   nxfax [--queue NAME] [--ppd FILE] [--bundles DIR] [FILE]
//   nxfax --job JOB-URI [--ppd FILE] [--bundles DIR]
//   nxfax --screenshots DIR [--lang en|ja] [--ppd FILE] [--bundles DIR]
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "DocumentPreview.h"
#include "FaxQueues.h"
#include "FaxWindow.h"
#include "nx/heldjobs/held_jobs.h"
#include "Screenshots.h"
#include "Texts.h"
#include "nx/desktop/qt_toolkit.h"
#include "nx/platform/paths.h"
#include "nx/platform/services.h"
#include "pdehost/PlugInLoader.h"

namespace {

constexpr int kExitCancelled = 1;
constexpr int kExitUsage = 3;
constexpr int kExitSetup = 4;

const char kUsage[] =
    "Usage: nxfax [OPTION]... [FILE]\n"
    "  or:  nxfax --job JOB-URI [OPTION]...\n"
    "  or:  nxfax --screenshots DIR [--lang en|ja] [OPTION]...\n"
    "Sends FILE (PDF, PostScript or an image; chosen in a file dialog when not given) as a fax\n"
    "through a print queue that uses the fax PPD.\n"
    "\n"
    "  -q, --queue NAME      send to this queue (default: the one used last, else the first)\n"
    "  -j, --job JOB-URI     choose the recipients of your job that the fax queue holds; Send\n"
    "                        releases it, Cancel cancels it\n"
    "  -p, --ppd FILE        use this PPD instead of the queue's\n"
    "  -b, --bundles DIR     load the plug-ins from DIR (default: the installed ones)\n"
    "      --screenshots DIR render every panel, window and alert to DIR as PNG files\n"
    "      --lang en|ja      the language of the windows (default: the user's locale)\n"
    "  -h, --help            show this help and exit\n"
    "\n"
    "Exit status: 0 the window was closed (or the pictures written), 1 no file chosen, 3 bad\n"
    "command line, 4 the document, the job or the queue could not be used.\n";

int Usage(const char* why) {
  std::fprintf(stderr, "nxfax: %s\nTry 'nxfax --help' for more information.\n", why);
  return kExitUsage;
}

// The fax plug-in's panels first, as the tabs should read; other bundles after, by name.
std::vector<std::string> BundleOrder(const std::string& dir) {
  const std::string folder = dir.empty() ? nx::platform::PlugInDir() : dir;
  std::vector<std::string> names;
  for (const char* ours : {"faxpde.plugin", "accountpde.plugin"})
    if (std::filesystem::is_regular_file(std::filesystem::path(folder) / ours / "Contents" / "Info.plist"))
      names.emplace_back(ours);
  return names.size() == 2 ? names : std::vector<std::string>{};
}

std::string DefaultPpd() {
  for (const char* candidate : {NX_INSTALLED_PPD, NX_SOURCE_DIR "/ppd/nxfax.ppd"})
    if (std::filesystem::is_regular_file(candidate)) return candidate;
  return {};
}

void ShowError(const QString& title, const QString& text) {
  QMessageBox box(QMessageBox::Critical, title, title, QMessageBox::Ok);
  box.setInformativeText(text);
  box.exec();
}

// nxfax --job: the window for a job the fax queue holds, completed or cancelled over the local
// server's socket as its owner.
int RunHeldJob(nx::platform::Services& services, const nxfax::FaxSetup& setup, const std::string& uri) {
  const int id = nx::heldjobs::JobIdFromUri(uri);
  if (id <= 0) return Usage("not a job URI");
  std::string why;
  std::unique_ptr<nx::heldjobs::LocalServer> server = nx::heldjobs::LocalServer::Connect(&why);
  nx::heldjobs::JobDetails details;
  if (server && !server->GetJob(id, &details, &why)) server.reset();
  if (server && details.job.state != IPP_JSTATE_HELD) {
    why = "job " + std::to_string(id) + " is no longer held";
    server.reset();
  }
  if (!server) {
    ShowError(nxfax::Text("Cannot open the fax job"), QString::fromStdString(why));
    return kExitSetup;
  }
  // The held document for the preview; a server that will not hand it out only costs the preview.
  QTemporaryDir scratch;
  QString document;
  const std::string copy = scratch.path().toStdString() + "/document";
  if (scratch.isValid() && server->GetDocument(id, copy, &why)) document = QString::fromStdString(copy);
  else std::fprintf(stderr, "nxfax: %s\n", why.c_str());

  nxfax::FaxWindow::HeldJob job{id, details.job.queue, details.job.name, nx::heldjobs::DialogOptions(details.options)};
  auto complete = [&server, id](const pdehost::JobOptionList& options, ppd_file_t* ppd, std::string* message) {
    nx::heldjobs::OptionList ticket;
    nx::heldjobs::CompleteOptions how;
    nx::heldjobs::SplitDialogOptions(
        options, [ppd](const std::string& k) { return ppd && ppdFindOption(ppd, k.c_str()) != nullptr; }, &ticket,
        &how);
    const nx::heldjobs::CompletionResult result = server->Complete(id, ticket, how);
    *message = result.message;
    return result.outcome == nx::heldjobs::Completion::kReleased ||
           result.outcome == nx::heldjobs::Completion::kKeptHeld;
  };
  auto cancel = [&server, id](std::string* error) { return server->Cancel(id, error); };
  nxfax::FaxWindow window(services, setup);
  QString error;
  if (!window.SetHeldJob(job, document, complete, cancel, &error)) {
    ShowError(nxfax::Text("Cannot open the fax queue"), error);
    return kExitSetup;
  }
  window.show();
  return QApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
  // The language must be settled before Qt and the plug-ins read it; the help and the pictures
  // need no display, so they must not fail on a machine that has none.
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "-h" || a == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (i + 1 < argc && a == "--lang") setenv("LANGUAGE", argv[i + 1], 1);
    if (i + 1 < argc && a == "--screenshots") setenv("QT_QPA_PLATFORM", "offscreen", 0);
  }

  QApplication app(argc, argv);
  QApplication::setDesktopFileName(QStringLiteral("nxfax"));
  QApplication::setApplicationDisplayName(nxfax::Text("Send Fax"));

  QString screenshots, file, jobUri;
  nxfax::FaxSetup setup;
  std::string queue;
  const QStringList args = QApplication::arguments();
  for (int i = 1; i < args.size(); ++i) {
    const QString& a = args[i];
    auto value = [&]() -> std::optional<QString> {
      if (i + 1 >= args.size()) return std::nullopt;
      return args[++i];
    };
    if (a == "-q" || a == "--queue" || a == "-p" || a == "--ppd" || a == "-b" || a == "--bundles" ||
        a == "--screenshots" || a == "--lang" || a == "-j" || a == "--job") {
      const auto v = value();
      if (!v) return Usage("an option lacks its value");
      if (a == "-q" || a == "--queue") queue = v->toStdString();
      else if (a == "-p" || a == "--ppd") setup.ppdPath = v->toStdString();
      else if (a == "-b" || a == "--bundles") setup.bundlesDir = v->toStdString();
      else if (a == "--screenshots") screenshots = *v;
      else if (a == "-j" || a == "--job") jobUri = *v;
      else if (*v != "en" && *v != "ja") return Usage("--lang takes en or ja");
      continue;
    }
    if (a.startsWith('-') && a != "-") return Usage("unknown option");
    if (!file.isEmpty()) return Usage("more than one file given");
    file = a;
  }
  if (!setup.bundlesDir.empty() && !std::filesystem::is_directory(setup.bundlesDir))
    return Usage("the bundle folder does not exist");
  setup.bundles = BundleOrder(setup.bundlesDir);

  if (!screenshots.isEmpty()) {
    // The walk creates phonebooks and settings: never in the user's own folders.
    QTemporaryDir scratch;
    qputenv("NX_USER_PREFS_DIR", (scratch.path() + "/prefs").toUtf8());
    qputenv("NX_ANY_USER_PREFS_DIR", (scratch.path() + "/anyprefs").toUtf8());
    qputenv("XDG_DATA_HOME", (scratch.path() + "/data").toUtf8());
    qputenv("NX_PRIVATE_TMP", scratch.path().toUtf8());
    if (setup.ppdPath.empty()) setup.ppdPath = DefaultPpd();
    if (setup.ppdPath.empty()) return Usage("no fax PPD found: give one with --ppd");
    auto services = nx::platform::Services::Linux(nxfax::MakeScreenshotToolkit(nx::desktop::MakeQtToolkit()));
    return nxfax::RunScreenshots(*services, setup, screenshots);
  }

  auto services = nx::platform::Services::Linux(nx::desktop::MakeQtToolkit());
  if (!jobUri.isEmpty()) {
    if (!file.isEmpty() || !queue.empty()) return Usage("--job takes no file and no queue");
    return RunHeldJob(*services, setup, jobUri.toStdString());
  }
  if (file.isEmpty()) {
    file = QFileDialog::getOpenFileName(nullptr, nxfax::Text("Choose a document to fax"), QDir::homePath(),
                                        nxfax::Text("Documents (*.pdf *.ps *.eps *.png *.jpg *.jpeg *.tif *.tiff)"));
    if (file.isEmpty()) return kExitCancelled;
  }
  if (nxfax::DetectDocument(file) == nxfax::DocumentKind::kUnknown) {
    ShowError(nxfax::Text("Cannot open the document"),
              nxfax::Text("%1 cannot be read, or is not a PDF, PostScript or image file.").arg(file));
    return kExitSetup;
  }

  std::vector<nxfax::FaxQueue> queues;
  if (!queue.empty()) queues.push_back({queue, queue, true});
  else queues = nxfax::FindFaxQueues();
  nxfax::FaxWindow window(*services, setup);
  QString why;
  if (!window.SetQueues(queues, nxfax::PreferredQueue(queues, services->preferences()), &why)) {
    ShowError(queues.empty() ? nxfax::Text("No fax queue") : nxfax::Text("Cannot open the fax queue"), why);
    return kExitSetup;
  }
  window.SetDocument(QFileInfo(file).absoluteFilePath());
  window.show();
  return QApplication::exec();
}
