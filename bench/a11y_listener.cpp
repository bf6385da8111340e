// Stands in for a screen reader on the accessibility bus: asks the registry
// for every object and window event, as Orca does, and takes each one the
// program sends. Prints how many it took when it is stopped (SIGTERM or
// SIGINT), so a benchmark can time a window with and without a listener.
//
//   a11y_listener            (inside a D-Bus session with at-spi-bus-launcher running)
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QObject>
#include <QStringList>
#include <csignal>
#include <cstdio>

namespace {

class Counter : public QObject {
    Q_OBJECT
public:
    qint64 events = 0;
public slots:
    void take(const QDBusMessage&) { ++events; }
};

Counter* gCounter = nullptr;

void stop(int) { QCoreApplication::quit(); }

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QDBusInterface launcher("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus",
                            QDBusConnection::sessionBus());
    const QDBusReply<QString> address = launcher.call("GetAddress");
    if (!address.isValid()) {
        fprintf(stderr, "no accessibility bus: %s\n", qPrintable(address.error().message()));
        return 1;
    }
    QDBusConnection bus = QDBusConnection::connectToBus(address.value(), "a11y");
    if (!bus.isConnected()) {
        fprintf(stderr, "cannot connect to %s\n", qPrintable(address.value()));
        return 1;
    }
    Counter counter;
    gCounter = &counter;
    // Every signal of the event interfaces comes here, as to a screen reader.
    for (const char* interface : {"org.a11y.atspi.Event.Object", "org.a11y.atspi.Event.Window",
                                  "org.a11y.atspi.Event.Focus"})
        bus.connect(QString(), QString(), interface, QString(), &counter,
                    SLOT(take(QDBusMessage)));
    QDBusInterface registry("org.a11y.atspi.Registry", "/org/a11y/atspi/registry",
                            "org.a11y.atspi.Registry", bus);
    for (const char* event : {"object:", "window:", "focus:"}) {
        // (event, properties wanted with it, the listener's bus name: ours)
        const QDBusMessage reply =
            registry.call("RegisterEvent", QString(event), QStringList(), QString());
        if (reply.type() == QDBusMessage::ErrorMessage) {
            fprintf(stderr, "RegisterEvent %s: %s\n", event, qPrintable(reply.errorMessage()));
            return 1;
        }
    }
    fprintf(stderr, "listening on %s\n", qPrintable(address.value()));
    std::signal(SIGTERM, stop);
    std::signal(SIGINT, stop);
    app.exec();
    printf("a11y_events=%lld\n", static_cast<long long>(counter.events));
    return 0;
}

#include "a11y_listener.moc"
