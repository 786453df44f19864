// Desktop notifications over the session bus with Qt's D-Bus module; see desktop_notifier.h.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDateTime>
#include <QEventLoop>
#include <QObject>
#include <QProcess>
#include <QTimer>
#include <map>

#include "nx/heldjobs/desktop_notifier.h"

namespace nx::heldjobs {

std::string NoticeSummary(const HeldJob& job) { return "Fax: choose recipients for " + job.name; }

namespace {

constexpr char kService[] = "org.freedesktop.Notifications";
constexpr char kPath[] = "/org/freedesktop/Notifications";
constexpr char kInterface[] = "org.freedesktop.Notifications";
constexpr int kCallTimeoutMs = 5000;

QString Q(const std::string& s) { return QString::fromStdString(s); }

class QtNotifier final : public QObject, public DesktopNotifier {
  Q_OBJECT

 public:
  QtNotifier(QDBusConnection bus, std::vector<std::string> dialog)
      : bus_(std::move(bus)), dialog_(std::move(dialog)) {
    bus_.connect(kService, kPath, kInterface, "ActionInvoked", this,
                 SLOT(OnAction(uint, QString)));
    bus_.connect(kService, kPath, kInterface, "NotificationClosed", this,
                 SLOT(OnClosed(uint, uint)));
  }

  bool Notify(const HeldJob& job, std::time_t waiting_since, std::string* error) override {
    const auto shown = shown_.find(job.id);
    const uint replaces = shown == shown_.end() ? 0 : shown->second.id;
    QString body = Q(job.queue) + " \u2013 " + Q(job.uri);
    if (waiting_since > 0)
      body += "\nWaiting since " + QDateTime::fromSecsSinceEpoch(waiting_since).toString("HH:mm");
    QVariantMap hints;
    hints["desktop-entry"] = QStringLiteral("nxfax");
    hints["urgency"] = QVariant::fromValue<uchar>(1);
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, "Notify");
    // The job waits for the user: the notification stays until it is acted upon (timeout 0).
    // The body may be read as markup by the service; the summary is plain text.
    call << QStringLiteral("nxfax-agent") << replaces << QStringLiteral("nxfax")
         << Q(NoticeSummary(job)) << body.toHtmlEscaped()
         << QStringList{"default", "Choose recipients", "choose", "Choose recipients"} << hints
         << 0;
    const QDBusMessage reply = bus_.call(call, QDBus::Block, kCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
      if (error) *error = "no notification: " + reply.errorMessage().toStdString();
      return false;
    }
    shown_[job.id] = {reply.arguments().first().toUInt(), job.uri};
    return true;
  }

  void Close(int job_id) override {
    const auto shown = shown_.find(job_id);
    if (shown == shown_.end()) return;
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, "CloseNotification");
    call << shown->second.id;
    bus_.call(call, QDBus::Block, kCallTimeoutMs);
    shown_.erase(shown);
  }

  void Pump(std::chrono::milliseconds wait) override {
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(wait.count()), &loop, &QEventLoop::quit);
    loop.exec();
  }

 private slots:
  void OnAction(uint id, const QString& action) {
    if (action != "default" && action != "choose") return;
    for (const auto& [job, shown] : shown_) {
      if (shown.id != id || dialog_.empty()) continue;
      QStringList args;
      for (size_t i = 1; i < dialog_.size(); ++i) args << Q(dialog_[i]);
      args << "--job" << Q(shown.uri);
      if (!QProcess::startDetached(Q(dialog_.front()), args))
        std::fprintf(stderr, "nxfax-agent: cannot start %s\n", dialog_.front().c_str());
      return;
    }
  }
  // The user dismissed it, or the service let it go: the job is reported again when it has
  // waited long.
  void OnClosed(uint id, uint) {
    std::erase_if(shown_, [&](const auto& e) { return e.second.id == id; });
  }

 private:
  struct Shown {
    uint id = 0;
    std::string uri;
  };
  QDBusConnection bus_;
  std::vector<std::string> dialog_;
  std::map<int, Shown> shown_;
};

}  // namespace

std::unique_ptr<DesktopNotifier> DesktopNotifier::Connect(std::vector<std::string> dialog,
                                                          std::string* error) {
  // The bus delivers its signals through an event loop of the application's thread.
  if (!QCoreApplication::instance()) {
    static int argc = 1;
    static char name[] = "nxfax-agent";
    static char* argv[] = {name, nullptr};
    new QCoreApplication(argc, argv);
  }
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    if (error) *error = "no session bus: " + bus.lastError().message().toStdString();
    return nullptr;
  }
  return std::make_unique<QtNotifier>(bus, std::move(dialog));
}

}  // namespace nx::heldjobs

#include "qt_notifier.moc"
