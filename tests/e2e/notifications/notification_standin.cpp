// A stand-in for the desktop's notification service (org.freedesktop.Notifications) on the
// session bus: records every Notify and CloseNotification, one line each, and takes the action
// of the N-th notification as a user clicking it would.
//
//   notification_standin RECORD_FILE [ACTION N]
//
// Lines: "ready PID", "notify ID MICROSECONDS SUMMARY<TAB>BODY<TAB>ACTIONS" (the wall clock, for
// timing), "close ID", "invoke ID ACTION".
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QFile>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <unistd.h>

namespace {

constexpr char kPath[] = "/org/freedesktop/Notifications";
constexpr char kInterface[] = "org.freedesktop.Notifications";

class Service final : public QDBusVirtualObject {
 public:
  Service(QString record, QString action, int invokeAt) : record_(std::move(record)), action_(std::move(action)), invokeAt_(invokeAt) {}

  void Record(const QString& line) {
    QFile f(record_);
    if (f.open(QIODevice::Append)) f.write((line + "\n").toUtf8());
  }

  QString introspect(const QString&) const override {
    return QStringLiteral(
        "<interface name=\"org.freedesktop.Notifications\">"
        "<method name=\"Notify\"><arg type=\"s\" direction=\"in\"/><arg type=\"u\" direction=\"in\"/>"
        "<arg type=\"s\" direction=\"in\"/><arg type=\"s\" direction=\"in\"/><arg type=\"s\" direction=\"in\"/>"
        "<arg type=\"as\" direction=\"in\"/><arg type=\"a{sv}\" direction=\"in\"/><arg type=\"i\" direction=\"in\"/>"
        "<arg type=\"u\" direction=\"out\"/></method>"
        "<method name=\"CloseNotification\"><arg type=\"u\" direction=\"in\"/></method>"
        "<method name=\"GetCapabilities\"><arg type=\"as\" direction=\"out\"/></method>"
        "<signal name=\"ActionInvoked\"><arg type=\"u\"/><arg type=\"s\"/></signal>"
        "<signal name=\"NotificationClosed\"><arg type=\"u\"/><arg type=\"u\"/></signal>"
        "</interface>");
  }

  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    if (message.interface() != kInterface) return false;
    const QList<QVariant> args = message.arguments();
    if (message.member() == "Notify" && args.size() == 8) {
      const auto now = std::chrono::duration_cast<std::chrono::microseconds>(
                           std::chrono::system_clock::now().time_since_epoch())
                           .count();
      const uint replaces = args[1].toUInt();
      const uint id = replaces ? replaces : ++last_;
      Record(QString("notify %1 %2 %3\t%4\t%5")
                 .arg(id)
                 .arg(now)
                 .arg(args[3].toString(), args[4].toString(), args[5].toStringList().join(',')));
      connection.send(message.createReply(QVariant::fromValue(id)));
      if (!action_.isEmpty() && ++notified_ == invokeAt_) {
        QDBusConnection bus = connection;
        QTimer::singleShot(300, [this, bus, id]() mutable {
          Record(QString("invoke %1 %2").arg(id).arg(action_));
          QDBusMessage signal = QDBusMessage::createSignal(kPath, kInterface, "ActionInvoked");
          signal << id << action_;
          bus.send(signal);
        });
      }
      return true;
    }
    if (message.member() == "CloseNotification" && args.size() == 1) {
      Record(QString("close %1").arg(args[0].toUInt()));
      connection.send(message.createReply());
      QDBusMessage signal = QDBusMessage::createSignal(kPath, kInterface, "NotificationClosed");
      signal << args[0].toUInt() << 3u;
      QDBusConnection(connection).send(signal);
      return true;
    }
    if (message.member() == "GetCapabilities") {
      connection.send(message.createReply(QStringList{"actions", "body"}));
      return true;
    }
    return false;
  }

 private:
  QString record_;
  QString action_;
  int invokeAt_ = 0;
  int notified_ = 0;
  uint last_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() != 2 && args.size() != 4) {
    std::fprintf(stderr, "usage: notification_standin RECORD_FILE [ACTION N]\n");
    return 3;
  }
  Service service(args[1], args.size() == 4 ? args[2] : QString(), args.size() == 4 ? args[3].toInt() : 0);
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected() || !bus.registerVirtualObject(kPath, &service) || !bus.registerService(kInterface)) {
    std::fprintf(stderr, "notification_standin: cannot serve on the session bus\n");
    return 4;
  }
  service.Record(QString("ready %1").arg(getpid()));
  return app.exec();
}
