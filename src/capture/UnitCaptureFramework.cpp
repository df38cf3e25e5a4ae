// What the two capture frameworks share: the recording of delivered frames, the counts and the preview.
#include "capture/UnitCaptureFramework.h"

#include "editing/UnitVfwRecord.h"

#include <QMetaObject>

#include <chrono>
#include <thread>

namespace {

// Longest wait for the first frame of a device that was just opened.
constexpr auto FirstFrameTimeout = std::chrono::seconds(5);
// Longest run of empty slots written for one gap of the stream: beyond it the device's clock jumped rather
// than paused, and the gap is shortened to it.
constexpr std::int64_t MaxDroppedRun = 100000;

} // namespace

TCaptureFramework::TCaptureFramework() : FContext(std::make_unique<QObject>()) {}

TCaptureFramework::~TCaptureFramework() = default;

void TCaptureFramework::Refresh()
{
    const QString current = DeviceName();
    const int format = FFormatIndex;
    FDevices = ListDevices();
    const int index = current.isEmpty() ? -1 : int(FDevices.indexOf(current));
    if (index < 0) {
        SelectDevice(index);
    } else {
        // Still there, maybe at another place of the list (a camera plugged in before it): it stays
        // chosen, connected and with its format.
        FDeviceIndex = index;
        FFormats = ListFormats(index);
        FFormatIndex = format < int(FFormats.size()) ? format : -1;
    }
}

void TCaptureFramework::SelectDevice(int index)
{
    if (FConnected)
        Release();
    FDeviceIndex = index >= 0 && index < FDevices.size() ? index : -1;
    FFormats = FDeviceIndex >= 0 ? ListFormats(FDeviceIndex) : std::vector<TCaptureFormat>();
    FFormatIndex = -1;
}

const TCaptureFormat* TCaptureFramework::Format() const
{
    return FFormatIndex >= 0 && FFormatIndex < int(FFormats.size()) ? &FFormats[std::size_t(FFormatIndex)]
                                                                    : nullptr;
}

void TCaptureFramework::SelectFormat(int index)
{
    const int chosen = index >= 0 && index < int(FFormats.size()) ? index : -1;
    if (chosen == FFormatIndex)
        return;
    if (FConnected)
        Release();
    FFormatIndex = chosen;
}

int TCaptureFramework::IndexOfName(const QStringList& names, const QString& name)
{
    for (int i = 0; i < names.size(); ++i)
        if (names.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QStringList TCaptureFramework::FormatNames() const
{
    QStringList names;
    for (const TCaptureFormat& format : FFormats)
        names << format.Name;
    return names;
}

bool TCaptureFramework::Connect()
{
    if (FConnected)
        return true;
    ErrorText.clear();
    if (!ValidDevice()) {
        ErrorText = QStringLiteral("No capture device selected.");
        return false;
    }
    ++FGeneration;
    FEnded = false;
    {
        std::lock_guard<std::mutex> lock(FLock);
        FEndReason.clear();
    }
    FFrames = 0;
    FPreviewPending = false;
    if (!OpenDevice()) {
        CloseDevice();
        return false;
    }
    FConnected = true;
    if (!WaitFirstFrame()) {
        QString reason;
        {
            std::lock_guard<std::mutex> lock(FLock);
            reason = FEndReason;
        }
        Release();
        ErrorText = reason.isEmpty() ? QStringLiteral("The device sent no picture.") : reason;
        return false;
    }
    return true;
}

bool TCaptureFramework::WaitFirstFrame()
{
    const auto end = std::chrono::steady_clock::now() + FirstFrameTimeout;
    while (FFrames.load() == 0) {
        if (FEnded.load() || std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

void TCaptureFramework::Release()
{
    if (FCapturing)
        StopCapture();
    if (FConnected)
        CloseDevice();
    FConnected = false;
    FRate = 0.0;
    ++FGeneration; // what the closed stream still posted is dropped
    std::lock_guard<std::mutex> lock(FLock);
    FLatest = QImage();
}

bool TCaptureFramework::StartCapture(const QString& fileName, int codecIndex)
{
    if (FCapturing)
        return true;
    if (!FConnected && !Connect())
        return false;
    auto writer = std::make_unique<TVfwRecord>();
    writer->Width = FSize.width();
    writer->Height = FSize.height();
    writer->FramesPerSecond = FRate > 0.0 ? FRate : 30.0;
    writer->CodecList();
    writer->SetCodecIndex(codecIndex);
    writer->FileName = fileName;
    if (writer->Failed || !writer->Open()) {
        ErrorText = writer->ErrorText();
        if (!writer->Detail.isEmpty())
            ErrorText += QLatin1Char(' ') + writer->Detail;
        return false;
    }
    WriterError.clear();
    {
        std::lock_guard<std::mutex> lock(FLock);
        FWriter = std::move(writer);
        FWriting = true;
        FHaveSlot = false;
        FCaptured = 0;
        FLost = 0;
    }
    FCapturing = true;
    return true;
}

bool TCaptureFramework::StopCapture()
{
    if (!FCapturing)
        return false;
    FCapturing = false;
    std::unique_ptr<TVfwRecord> writer;
    {
        std::lock_guard<std::mutex> lock(FLock);
        FWriting = false;
        writer = std::move(FWriter);
    }
    if (!writer)
        return false;
    if (!writer->Failed && writer->Close())
        return true;
    WriterError = writer->ErrorText();
    if (!writer->Detail.isEmpty())
        WriterError += QLatin1Char(' ') + writer->Detail;
    return false; // the writer left nothing on disk
}

void TCaptureFramework::Deliver(const QImage& image, std::int64_t slot)
{
    bool failed = false;
    const bool preview = FPreviewOn.load();
    {
        std::lock_guard<std::mutex> lock(FLock);
        if (FWriting) {
            // Every slot the device left without a frame is written as a dropped frame, so that each
            // recorded frame keeps its capture time in the file. A frame that comes early (its slot
            // already taken) goes to the next slot.
            if (FHaveSlot && slot > FLastSlot + 1) {
                const std::int64_t gap = std::min<std::int64_t>(slot - FLastSlot - 1, MaxDroppedRun);
                FLost += int(gap);
                for (std::int64_t i = 0; i < gap && FWriting; ++i) {
                    if (!FWriter->AddDroppedFrame()) {
                        FWriting = false;
                        failed = true;
                    }
                }
                slot = FLastSlot + 1 + gap;
            } else if (FHaveSlot && slot <= FLastSlot) {
                slot = FLastSlot + 1;
            }
        }
        if (FWriting) {
            if (FWriter->AddFrame(image)) {
                ++FCaptured;
            } else {
                FWriting = false; // the writer keeps its first failure; Stop reports it
                failed = true;
            }
        }
        FLastSlot = slot;
        FHaveSlot = true;
        if (preview)
            FLatest = image;
    }
    ++FFrames;
    if (failed)
        Post([this] {
            if (OnEvent)
                OnEvent(TCaptureEvent::WriteFailed);
        });
    if (preview && !FPreviewPending.exchange(true))
        Post([this] {
            FPreviewPending = false;
            QImage latest;
            {
                std::lock_guard<std::mutex> lock(FLock);
                latest = std::exchange(FLatest, QImage());
            }
            if (!latest.isNull() && FPreviewOn.load() && OnPreview)
                OnPreview(latest);
        });
}

void TCaptureFramework::SourceEnded(const QString& reason)
{
    if (FEnded.exchange(true))
        return;
    {
        std::lock_guard<std::mutex> lock(FLock);
        FEndReason = reason;
    }
    Post([this, reason] {
        if (!reason.isEmpty())
            ErrorText = reason;
        if (OnEvent)
            OnEvent(TCaptureEvent::SourceLost);
    });
}

void TCaptureFramework::Post(std::function<void()> call)
{
    const unsigned generation = FGeneration.load();
    QMetaObject::invokeMethod(
        FContext.get(),
        [this, generation, call = std::move(call)] {
            if (generation == FGeneration.load())
                call();
        },
        Qt::QueuedConnection);
}
