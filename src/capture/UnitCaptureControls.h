// The settings a capture device offers (exposure, gain, brightness, white balance, focus...), read from the
// V4L2 driver and applied at once, and the dialog that shows them.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <vector>

class QLabel;
class QVBoxLayout;

enum class TControlKind
{
    Integer, // a slider from Minimum to Maximum by Step
    Boolean, // a check box
    Menu,    // a list: Items, each with its value in ItemValues
    Button,  // an action without a value
};

struct TDeviceControl
{
    std::uint32_t Id = 0;
    QString Name;
    TControlKind Kind = TControlKind::Integer;
    int Minimum = 0;
    int Maximum = 0;
    int Step = 1;
    int Default = 0;
    int Value = 0;
    bool Enabled = true; // false while another setting governs it (manual exposure under automatic exposure)
    QStringList Items;
    std::vector<int> ItemValues;
};

// The kernel's ioctl, or a stand-in (tests).
using TIoctl = std::function<int(int fd, unsigned long request, void* arg)>;
// ioctl, repeated when a signal interrupts it.
int SystemIoctl(int fd, unsigned long request, void* arg);

// The controls of an open V4L2 device in the driver's order, with their current values. Controls of a kind
// that cannot be shown (64-bit, text, compound) and disabled ones are left out.
std::vector<TDeviceControl> V4l2Controls(int fd, const TIoctl& io = SystemIoctl);
// Sets one control; false with the reason in error.
bool SetV4l2Control(int fd, std::uint32_t id, int value, QString& error, const TIoctl& io = SystemIoctl);

// The node of a device kept open for its settings while they are shown; opened again when the path
// changes.
class TV4l2ControlNode
{
public:
    TV4l2ControlNode() = default;
    ~TV4l2ControlNode() { Close(); }
    TV4l2ControlNode(const TV4l2ControlNode&) = delete;
    TV4l2ControlNode& operator=(const TV4l2ControlNode&) = delete;

    std::vector<TDeviceControl> List(const QString& path);
    bool Set(const QString& path, std::uint32_t id, int value, QString& error);
    void Close();

private:
    bool Open(const QString& path, QString& error);
    QString FPath;
    int FFd = -1;
};

// A device's settings, applied while they are changed: a slider for each number, a check box for each
// switch, a list for each menu. "Defaults" puts every setting back to the driver's default. The widgets are
// built again after each change, since one setting may enable or disable others.
class TBoiteControles : public QDialog
{
public:
    // list reads the controls; set applies one (false with the reason).
    TBoiteControles(QString deviceName, std::function<std::vector<TDeviceControl>()> list,
                    std::function<bool(std::uint32_t, int, QString&)> set, QWidget* parent = nullptr);

    // The controls shown, as last read.
    const std::vector<TDeviceControl>& Controls() const { return FControls; }
    // The widget of a control (QSlider, QCheckBox, QComboBox or QPushButton); null when absent.
    QWidget* Editor(std::uint32_t id) const;
    void RestoreDefaults();
    // Why the last change was refused (shown in the dialog); empty when it was applied.
    QString LastError() const { return FLastError; }

private:
    void Fill();
    // Sets a control, then reads the controls again (one setting may enable or disable others).
    void Apply(std::uint32_t id, int value, bool readAgain = true);

    std::function<std::vector<TDeviceControl>()> FList;
    std::function<bool(std::uint32_t, int, QString&)> FSet;
    std::vector<TDeviceControl> FControls;
    std::vector<std::pair<std::uint32_t, QWidget*>> FEditors;
    QWidget* FPanel = nullptr;
    QLabel* FStatus = nullptr;
    QString FLastError;
};
