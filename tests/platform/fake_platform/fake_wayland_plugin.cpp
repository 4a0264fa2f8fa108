// A platform plugin that only says it is one for "wayland": the display probe reads a plugin's keys
// without loading it, so its tests need no Wayland plugin installed.
#include <QObject>

class FakeWaylandPlugin : public QObject {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QPA.QPlatformIntegrationFactoryInterface.5.3" FILE
                          "fake_wayland_plugin.json")
};

#include "fake_wayland_plugin.moc"
