// The device settings: listing and applying V4L2 controls through a stand-in for the driver, and the
// settings dialog worked through its widgets.
#include "FakeFramework.h"
#include "capture/UnitCapture.h"
#include "capture/UnitCaptureControls.h"
#include "capture/UnitDSCapture.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include <cerrno>
#include <cstring>
#include <linux/videodev2.h>
#include <map>

namespace {

// A camera driver as seen through ioctl: its controls in id order, their menus and values. Manual exposure
// is inactive while the exposure mode is automatic (item 3), as UVC drivers do.
struct TFakeDriver
{
    struct TEntry
    {
        v4l2_queryctrl Query;
        std::map<int, const char*> Menu;
    };
    std::vector<TEntry> Entries;
    std::map<std::uint32_t, int> Values;
    std::vector<std::pair<std::uint32_t, int>> Sets;

    static v4l2_queryctrl Query(std::uint32_t id, std::uint32_t type, const char* name, int min, int max,
                                int def, std::uint32_t flags = 0)
    {
        v4l2_queryctrl q{};
        q.id = id;
        q.type = type;
        std::strncpy(reinterpret_cast<char*>(q.name), name, sizeof q.name - 1);
        q.minimum = min;
        q.maximum = max;
        q.step = 1;
        q.default_value = def;
        q.flags = flags;
        return q;
    }

    TFakeDriver()
    {
        Entries.push_back(
            {Query(V4L2_CID_USER_CLASS, V4L2_CTRL_TYPE_CTRL_CLASS, "User Controls", 0, 0, 0), {}});
        Entries.push_back({Query(V4L2_CID_BRIGHTNESS, V4L2_CTRL_TYPE_INTEGER, "Brightness", -64, 64, 0), {}});
        Entries.push_back(
            {Query(V4L2_CID_AUTO_WHITE_BALANCE, V4L2_CTRL_TYPE_BOOLEAN, "White Balance, Automatic", 0, 1, 1),
             {}});
        Entries.push_back(
            {Query(V4L2_CID_HUE, V4L2_CTRL_TYPE_INTEGER, "Hue", 0, 10, 5, V4L2_CTRL_FLAG_DISABLED), {}});
        Entries.push_back({Query(V4L2_CID_EXPOSURE_AUTO, V4L2_CTRL_TYPE_MENU, "Auto Exposure", 0, 3, 3),
                           {{1, "Manual Mode"}, {3, "Aperture Priority Mode"}}}); // items 0 and 2 absent
        Entries.push_back({Query(V4L2_CID_EXPOSURE_ABSOLUTE, V4L2_CTRL_TYPE_INTEGER,
                                 "Exposure Time, Absolute", 3, 2047, 250),
                           {}});
        Entries.push_back({Query(V4L2_CID_PAN_ABSOLUTE, V4L2_CTRL_TYPE_INTEGER64, "Pan", 0, 10, 0), {}});
        Entries.push_back(
            {Query(V4L2_CID_FOCUS_AUTO, V4L2_CTRL_TYPE_BOOLEAN, "Focus, Automatic", 0, 1, 1), {}});
        for (const TEntry& e : Entries)
            Values[e.Query.id] = e.Query.default_value;
        Values[V4L2_CID_BRIGHTNESS] = 12;
    }

    bool ExposureManual() const { return Values.at(V4L2_CID_EXPOSURE_AUTO) == 1; }

    int Ioctl(int, unsigned long request, void* arg)
    {
        if (request == VIDIOC_QUERYCTRL) {
            auto* q = static_cast<v4l2_queryctrl*>(arg);
            const bool next = (q->id & V4L2_CTRL_FLAG_NEXT_CTRL) != 0;
            const std::uint32_t id = q->id & ~std::uint32_t(V4L2_CTRL_FLAG_NEXT_CTRL);
            for (const TEntry& e : Entries)
                if (next ? e.Query.id > id : e.Query.id == id) {
                    *q = e.Query;
                    if (id == V4L2_CID_EXPOSURE_ABSOLUTE ||
                        (next && e.Query.id == V4L2_CID_EXPOSURE_ABSOLUTE))
                        if (!ExposureManual())
                            q->flags |= V4L2_CTRL_FLAG_INACTIVE;
                    return 0;
                }
            errno = EINVAL;
            return -1;
        }
        if (request == VIDIOC_QUERYMENU) {
            auto* m = static_cast<v4l2_querymenu*>(arg);
            for (const TEntry& e : Entries)
                if (e.Query.id == m->id && e.Menu.count(int(m->index))) {
                    std::strncpy(reinterpret_cast<char*>(m->name), e.Menu.at(int(m->index)),
                                 sizeof m->name - 1);
                    return 0;
                }
            errno = EINVAL;
            return -1;
        }
        auto* c = static_cast<v4l2_control*>(arg);
        if (request == VIDIOC_G_CTRL) {
            c->value = Values.at(c->id);
            return 0;
        }
        if (request == VIDIOC_S_CTRL) {
            Sets.emplace_back(c->id, c->value);
            if (c->id == V4L2_CID_EXPOSURE_ABSOLUTE && !ExposureManual()) {
                errno = EACCES;
                return -1;
            }
            Values[c->id] = c->value;
            return 0;
        }
        errno = ENOTTY;
        return -1;
    }

    TIoctl Io()
    {
        return [this](int fd, unsigned long request, void* arg) { return Ioctl(fd, request, arg); };
    }
};

// The fake camera framework with the driver's controls.
class TControlledFramework : public TFakeFramework
{
public:
    using TFakeFramework::TFakeFramework;
    TFakeDriver Driver;
    std::vector<TDeviceControl> Controls() override { return V4l2Controls(0, Driver.Io()); }
    bool SetControl(std::uint32_t id, int value, QString& error) override
    {
        return SetV4l2Control(0, id, value, error, Driver.Io());
    }
};

} // namespace

TEST(Controles, ListsTheDriversControlsWithTheirValues)
{
    TFakeDriver driver;
    const std::vector<TDeviceControl> controls = V4l2Controls(7, driver.Io());
    // The class heading, the disabled hue and the 64-bit pan are left out.
    ASSERT_EQ(controls.size(), 5u);
    EXPECT_EQ(controls[0].Name, QStringLiteral("Brightness"));
    EXPECT_EQ(controls[0].Kind, TControlKind::Integer);
    EXPECT_EQ(controls[0].Minimum, -64);
    EXPECT_EQ(controls[0].Value, 12);
    EXPECT_EQ(controls[1].Kind, TControlKind::Boolean);
    const TDeviceControl& mode = controls[2];
    EXPECT_EQ(mode.Kind, TControlKind::Menu);
    EXPECT_EQ(mode.Items,
              (QStringList{QStringLiteral("Manual Mode"), QStringLiteral("Aperture Priority Mode")}));
    EXPECT_EQ(mode.ItemValues, (std::vector<int>{1, 3}));
    EXPECT_EQ(mode.Value, 3);
    EXPECT_EQ(controls[3].Id, std::uint32_t(V4L2_CID_EXPOSURE_ABSOLUTE));
    EXPECT_FALSE(controls[3].Enabled); // governed by the automatic exposure
    EXPECT_EQ(controls[4].Id, std::uint32_t(V4L2_CID_FOCUS_AUTO));

    QString error;
    EXPECT_FALSE(SetV4l2Control(7, V4L2_CID_EXPOSURE_ABSOLUTE, 10, error, driver.Io()));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(SetV4l2Control(7, V4L2_CID_EXPOSURE_AUTO, 1, error, driver.Io()));
    EXPECT_TRUE(error.isEmpty());
    EXPECT_TRUE(V4l2Controls(7, driver.Io())[3].Enabled);
}

// "Configure" shows the settings and applies them while they change: manual exposure, then a short exposure
// time; the defaults come back with one button.
TEST(Controles, DialogAppliesSettingsAtOnce)
{
    auto v4l2 =
        std::make_unique<TControlledFramework>(QStringList{QStringLiteral("Cam")}, QStringLiteral(" (V4L2)"));
    TControlledFramework* camera = v4l2.get();
    auto gst = std::make_unique<TFakeFramework>(QStringList{QStringLiteral("Test picture")},
                                                QStringLiteral(" (GStreamer)"));
    TCapture capture(std::move(v4l2), std::move(gst));
    capture.RefreshDevices();
    capture.SelectDevice(0);
    TFakeDriver& driver = camera->Driver;
    bool shown = false;
    capture.ShowControls = [&](TBoiteControles& dialog) {
        shown = true;
        auto* exposure = qobject_cast<QSlider*>(dialog.Editor(V4L2_CID_EXPOSURE_ABSOLUTE));
        auto* mode = qobject_cast<QComboBox*>(dialog.Editor(V4L2_CID_EXPOSURE_AUTO));
        auto* balance = qobject_cast<QCheckBox*>(dialog.Editor(V4L2_CID_AUTO_WHITE_BALANCE));
        ASSERT_TRUE(exposure && mode && balance);
        EXPECT_EQ(dialog.Editor(V4L2_CID_HUE), nullptr);
        EXPECT_FALSE(exposure->isEnabled());
        EXPECT_EQ(mode->currentText(), QStringLiteral("Aperture Priority Mode"));

        mode->setCurrentIndex(0);
        Q_EMIT mode->activated(0); // as the user picks it
        EXPECT_EQ(driver.Values[V4L2_CID_EXPOSURE_AUTO], 1);
        EXPECT_TRUE(exposure->isEnabled()); // the same widget, now free
        exposure->setValue(20);
        EXPECT_EQ(driver.Values[V4L2_CID_EXPOSURE_ABSOLUTE], 20);
        balance->click();
        EXPECT_EQ(driver.Values[V4L2_CID_AUTO_WHITE_BALANCE], 0);
        EXPECT_TRUE(dialog.LastError().isEmpty());

        dialog.RestoreDefaults();
        EXPECT_EQ(driver.Values[V4L2_CID_EXPOSURE_AUTO], 3);
        EXPECT_EQ(driver.Values[V4L2_CID_BRIGHTNESS], 0);
        EXPECT_EQ(driver.Values[V4L2_CID_EXPOSURE_ABSOLUTE], 250);
        EXPECT_EQ(driver.Values[V4L2_CID_AUTO_WHITE_BALANCE], 1);
        EXPECT_EQ(balance->isChecked(), true);
        EXPECT_FALSE(exposure->isEnabled());

        // A value the device refuses is said, and the slider shows what the device kept.
        exposure->setEnabled(true);
        exposure->setValue(500);
        EXPECT_FALSE(dialog.LastError().isEmpty());
        EXPECT_EQ(exposure->value(), 250);
    };
    capture.DeviceProperties();
    EXPECT_TRUE(shown);
}

// The GStreamer test picture has no settings: the dialog says so rather than showing an empty page.
TEST(Controles, TestPictureSaysItHasNoSettings)
{
    TDSCapture gst;
    gst.DeviceFolder = QStringLiteral("/nonexistent");
    gst.Refresh();
    gst.SelectDevice(int(gst.Devices().indexOf(TDSCapture::TestPictureName())));
    ASSERT_TRUE(gst.ValidDevice());
    EXPECT_TRUE(gst.Controls().empty());
    QString error;
    EXPECT_FALSE(gst.SetControl(V4L2_CID_BRIGHTNESS, 1, error));
    TBoiteControles dialog(
        QStringLiteral("Test picture"), [&] { return gst.Controls(); },
        [&](std::uint32_t id, int v, QString& e) { return gst.SetControl(id, v, e); });
    bool said = false;
    for (QLabel* label : dialog.findChildren<QLabel*>())
        said = said || label->text() == QStringLiteral("This device offers no settings.");
    EXPECT_TRUE(said);
}
