// The desktop's light or dark preference, read from the freedesktop settings portal, and
// followed while the program runs.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QObject>

#include "toolkit/Theme.h"

namespace {

const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kSettingsInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString kAppearance = QStringLiteral("org.freedesktop.appearance");
const QString kColourScheme = QStringLiteral("color-scheme");

// The portal wraps the value in a variant, sometimes twice.
QVariant unwrap(QVariant value) {
  while (value.canConvert<QDBusVariant>() && value.userType() == qMetaTypeId<QDBusVariant>())
    value = value.value<QDBusVariant>().variant();
  return value;
}

std::optional<uint32_t> schemeOf(const QVariant& value) {
  bool ok = false;
  const uint32_t scheme = unwrap(value).toUInt(&ok);
  return ok ? std::optional<uint32_t>(scheme) : std::nullopt;
}

// Receives the portal's SettingChanged signal.
class DesktopSettingsWatcher : public QObject {
  Q_OBJECT
public slots:
  void settingChanged(const QString& group, const QString& key, const QDBusVariant& value) {
    if (group == kAppearance && key == kColourScheme) followDesktopColourScheme(schemeOf(value.variant()));
  }
};

}  // namespace

std::optional<uint32_t> desktopColourScheme() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return std::nullopt;
  QDBusMessage call = QDBusMessage::createMethodCall(kPortalService, kPortalPath, kSettingsInterface, QStringLiteral("Read"));
  call << kAppearance << kColourScheme;
  // A missing portal must not hold up the start: half a second at most.
  QDBusMessage reply = bus.call(call, QDBus::Block, 500);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return std::nullopt;
  return schemeOf(reply.arguments().first());
}

bool appsUseDarkTheme() { return darkFromColourScheme(desktopColourScheme()); }

void watchDesktopColourScheme() {
  static DesktopSettingsWatcher* watcher = nullptr;
  if (watcher) return;
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return;
  watcher = new DesktopSettingsWatcher;
  bus.connect(kPortalService, kPortalPath, kSettingsInterface, QStringLiteral("SettingChanged"), watcher,
              SLOT(settingChanged(QString, QString, QDBusVariant)));
}

#include "DarkPreference.moc"
