// The desktop's light or dark preference, read from the freedesktop settings portal.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>

#include "toolkit/Theme.h"

namespace {
// The portal wraps the value in a variant, sometimes twice.
QVariant unwrap(QVariant value) {
  while (value.canConvert<QDBusVariant>() && value.userType() == qMetaTypeId<QDBusVariant>())
    value = value.value<QDBusVariant>().variant();
  return value;
}
}  // namespace

bool appsUseDarkTheme() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return darkFromColourScheme(std::nullopt);
  QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.portal.Desktop"),
                                                     QStringLiteral("/org/freedesktop/portal/desktop"),
                                                     QStringLiteral("org.freedesktop.portal.Settings"),
                                                     QStringLiteral("Read"));
  call << QStringLiteral("org.freedesktop.appearance") << QStringLiteral("color-scheme");
  // A missing portal must not hold up the start: half a second at most.
  QDBusMessage reply = bus.call(call, QDBus::Block, 500);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
    return darkFromColourScheme(std::nullopt);
  QVariant value = unwrap(reply.arguments().first());
  bool ok = false;
  uint32_t scheme = value.toUInt(&ok);
  return darkFromColourScheme(ok ? std::optional<uint32_t>(scheme) : std::nullopt);
}
