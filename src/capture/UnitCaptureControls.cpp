// Device settings read from the V4L2 driver, and their dialog.
#include "capture/UnitCaptureControls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <QFile>

int SystemIoctl(int fd, unsigned long request, void* arg)
{
    int result;
    do {
        result = ::ioctl(fd, request, arg);
    } while (result < 0 && errno == EINTR);
    return result;
}

namespace {

QString TextOf(const std::uint8_t* text, std::size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(text),
                             int(strnlen(reinterpret_cast<const char*>(text), size)));
}

} // namespace

std::vector<TDeviceControl> V4l2Controls(int fd, const TIoctl& io)
{
    std::vector<TDeviceControl> controls;
    v4l2_queryctrl query{};
    query.id = V4L2_CTRL_FLAG_NEXT_CTRL;
    while (io(fd, VIDIOC_QUERYCTRL, &query) == 0) {
        const std::uint32_t id = query.id;
        TDeviceControl control;
        control.Id = id;
        control.Name = TextOf(query.name, sizeof query.name);
        control.Minimum = query.minimum;
        control.Maximum = query.maximum;
        control.Step = query.step > 0 ? query.step : 1;
        control.Default = query.default_value;
        control.Enabled =
            (query.flags & (V4L2_CTRL_FLAG_INACTIVE | V4L2_CTRL_FLAG_READ_ONLY | V4L2_CTRL_FLAG_GRABBED)) ==
            0;
        bool shown = (query.flags & V4L2_CTRL_FLAG_DISABLED) == 0;
        switch (query.type) {
        case V4L2_CTRL_TYPE_INTEGER:
            control.Kind = TControlKind::Integer;
            break;
        case V4L2_CTRL_TYPE_BOOLEAN:
            control.Kind = TControlKind::Boolean;
            break;
        case V4L2_CTRL_TYPE_BUTTON:
            control.Kind = TControlKind::Button;
            break;
        case V4L2_CTRL_TYPE_MENU:
        case V4L2_CTRL_TYPE_INTEGER_MENU:
            control.Kind = TControlKind::Menu;
            for (int index = query.minimum; index <= query.maximum; ++index) {
                v4l2_querymenu item{};
                item.id = id;
                item.index = std::uint32_t(index);
                if (io(fd, VIDIOC_QUERYMENU, &item) != 0)
                    continue; // drivers leave holes in their menus
                control.Items << (query.type == V4L2_CTRL_TYPE_MENU ? TextOf(item.name, sizeof item.name)
                                                                    : QString::number(item.value));
                control.ItemValues.push_back(index);
            }
            shown = shown && !control.Items.isEmpty();
            break;
        default: // classes, 64-bit, text and compound controls
            shown = false;
            break;
        }
        if (shown && control.Kind != TControlKind::Button) {
            v4l2_control value{};
            value.id = id;
            if (io(fd, VIDIOC_G_CTRL, &value) == 0)
                control.Value = value.value;
            else
                control.Value = control.Default;
        }
        if (shown)
            controls.push_back(control);
        query = v4l2_queryctrl{};
        query.id = id | V4L2_CTRL_FLAG_NEXT_CTRL;
    }
    return controls;
}

bool SetV4l2Control(int fd, std::uint32_t id, int value, QString& error, const TIoctl& io)
{
    v4l2_control control{};
    control.id = id;
    control.value = value;
    if (io(fd, VIDIOC_S_CTRL, &control) == 0) {
        error.clear();
        return true;
    }
    error = QString::fromLocal8Bit(std::strerror(errno));
    return false;
}

bool TV4l2ControlNode::Open(const QString& path, QString& error)
{
    if (FFd >= 0 && path == FPath)
        return true;
    Close();
    if (path.isEmpty()) {
        error = QStringLiteral("No capture device selected.");
        return false;
    }
    FFd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (FFd < 0) {
        error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    FPath = path;
    return true;
}

void TV4l2ControlNode::Close()
{
    if (FFd >= 0)
        ::close(FFd);
    FFd = -1;
    FPath.clear();
}

std::vector<TDeviceControl> TV4l2ControlNode::List(const QString& path)
{
    QString error;
    return Open(path, error) ? V4l2Controls(FFd) : std::vector<TDeviceControl>();
}

bool TV4l2ControlNode::Set(const QString& path, std::uint32_t id, int value, QString& error)
{
    return Open(path, error) && SetV4l2Control(FFd, id, value, error);
}

// ---------------------------------------------------------------------------------------------------
// The dialog

TBoiteControles::TBoiteControles(QString deviceName, std::function<std::vector<TDeviceControl>()> list,
                                 std::function<bool(std::uint32_t, int, QString&)> set, QWidget* parent)
    : QDialog(parent), FList(std::move(list)), FSet(std::move(set))
{
    setWindowTitle(QStringLiteral("Capture device settings"));
    auto* layout = new QVBoxLayout(this);
    auto* heading = new QLabel(deviceName);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    layout->addWidget(heading);
    layout->addWidget(new QLabel(QStringLiteral("Changes apply at once. A short exposure time reduces the "
                                                "blur of moving objects.")));
    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    FPanel = new QWidget;
    scroll->setWidget(FPanel);
    layout->addWidget(scroll, 1);
    FStatus = new QLabel;
    FStatus->setWordWrap(true);
    layout->addWidget(FStatus);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    QPushButton* defaults = buttons->addButton(QStringLiteral("Defaults"), QDialogButtonBox::ResetRole);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    QObject::connect(defaults, &QPushButton::clicked, this, [this] { RestoreDefaults(); });
    resize(480, 520);
    Fill();
}

QWidget* TBoiteControles::Editor(std::uint32_t id) const
{
    for (const auto& [controlId, widget] : FEditors)
        if (controlId == id)
            return widget;
    return nullptr;
}

void TBoiteControles::Fill()
{
    std::vector<TDeviceControl> controls = FList ? FList() : std::vector<TDeviceControl>();
    bool sameSet = controls.size() == FControls.size() && !FEditors.empty();
    for (std::size_t i = 0; sameSet && i < controls.size(); ++i)
        sameSet = controls[i].Id == FControls[i].Id && controls[i].Items == FControls[i].Items;
    FControls = std::move(controls);
    if (sameSet) {
        // Only values and states: the widget being dragged stays in the user's hand.
        for (std::size_t i = 0; i < FControls.size(); ++i) {
            const TDeviceControl& control = FControls[i];
            QWidget* editor = FEditors[i].second;
            editor->setEnabled(control.Enabled);
            const QSignalBlocker blocker(editor);
            if (auto* slider = qobject_cast<QSlider*>(editor))
                slider->setValue(control.Value);
            else if (auto* check = qobject_cast<QCheckBox*>(editor))
                check->setChecked(control.Value != 0);
            else if (auto* box = qobject_cast<QComboBox*>(editor))
                box->setCurrentIndex(box->findData(control.Value));
        }
        return;
    }

    FEditors.clear();
    delete FPanel->layout();
    for (QWidget* child : FPanel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        delete child;
    auto* form = new QFormLayout(FPanel);
    if (FControls.empty())
        form->addRow(new QLabel(QStringLiteral("This device offers no settings.")));
    for (const TDeviceControl& control : FControls) {
        const std::uint32_t id = control.Id;
        QWidget* editor = nullptr;
        switch (control.Kind) {
        case TControlKind::Integer: {
            auto* row = new QWidget;
            auto* rowLayout = new QHBoxLayout(row);
            rowLayout->setContentsMargins(0, 0, 0, 0);
            auto* slider = new QSlider(Qt::Horizontal);
            slider->setRange(control.Minimum, control.Maximum);
            slider->setSingleStep(control.Step);
            slider->setPageStep(std::max(control.Step, (control.Maximum - control.Minimum) / 10));
            slider->setValue(control.Value);
            auto* value = new QLabel(QString::number(control.Value));
            value->setMinimumWidth(value->fontMetrics().horizontalAdvance(QStringLiteral("-000000")));
            rowLayout->addWidget(slider, 1);
            rowLayout->addWidget(value);
            QObject::connect(slider, &QSlider::valueChanged, this, [this, id, value](int v) {
                value->setText(QString::number(v));
                // While the slider moves, the other settings are read again only when the device refuses.
                Apply(id, v, false);
            });
            form->addRow(control.Name, row);
            editor = slider;
            break;
        }
        case TControlKind::Boolean: {
            auto* check = new QCheckBox;
            check->setChecked(control.Value != 0);
            QObject::connect(check, &QCheckBox::toggled, this,
                             [this, id](bool on) { Apply(id, on ? 1 : 0); });
            form->addRow(control.Name, check);
            editor = check;
            break;
        }
        case TControlKind::Menu: {
            auto* box = new QComboBox;
            for (int i = 0; i < control.Items.size(); ++i)
                box->addItem(control.Items.at(i), control.ItemValues[std::size_t(i)]);
            box->setCurrentIndex(box->findData(control.Value));
            QObject::connect(box, &QComboBox::activated, this,
                             [this, id, box](int index) { Apply(id, box->itemData(index).toInt()); });
            form->addRow(control.Name, box);
            editor = box;
            break;
        }
        case TControlKind::Button: {
            auto* button = new QPushButton(control.Name);
            QObject::connect(button, &QPushButton::clicked, this, [this, id] { Apply(id, 1); });
            form->addRow(QString(), button);
            editor = button;
            break;
        }
        }
        editor->setEnabled(control.Enabled);
        FEditors.emplace_back(id, editor);
    }
}

void TBoiteControles::Apply(std::uint32_t id, int value, bool readAgain)
{
    QString error;
    if (FSet && FSet(id, value, error)) {
        FLastError.clear();
        FStatus->clear();
        if (!readAgain) {
            for (TDeviceControl& control : FControls)
                if (control.Id == id)
                    control.Value = value;
            return;
        }
    } else {
        FLastError = error.isEmpty() ? QStringLiteral("The device refused this value.") : error;
        FStatus->setText(QStringLiteral("The device refused this setting: %1").arg(FLastError));
    }
    Fill(); // the value the device keeps, and the settings it enables or disables
}

void TBoiteControles::RestoreDefaults()
{
    const std::vector<TDeviceControl> controls = FControls;
    // Manual values first, while their automatic mode may still be off; then the modes and switches.
    // A setting that its mode governs at that moment is left as it is.
    for (int pass = 0; pass < 2; ++pass)
        for (const TDeviceControl& control : controls) {
            if (control.Kind == TControlKind::Button ||
                (control.Kind == TControlKind::Integer) != (pass == 0))
                continue;
            const auto now = std::find_if(FControls.begin(), FControls.end(),
                                          [&control](const TDeviceControl& c) { return c.Id == control.Id; });
            if (now != FControls.end() && now->Enabled && now->Value != now->Default)
                Apply(control.Id, control.Default);
        }
}
