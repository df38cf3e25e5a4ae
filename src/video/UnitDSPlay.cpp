// Frame source of framework 1: GStreamer. (placeholder: opens nothing yet)
#include "video/UnitDSPlay.h"

TDSPlay::TDSPlay() = default;
TDSPlay::~TDSPlay() = default;

bool TDSPlay::Open(const QString& path)
{
    Close();
    FileName = path;
    return false;
}

void TDSPlay::Close()
{
    Opened = false;
    FrameCount = 0;
    if (OnClose)
        OnClose();
}

void TDSPlay::Seek(int) {}

bool TDSPlay::Draw(QImage&, const QRect&, int)
{
    return false;
}
