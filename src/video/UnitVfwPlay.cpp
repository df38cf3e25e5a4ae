// Frame source of framework 0: the built-in AVI reader. (placeholder: opens nothing yet)
#include "video/UnitVfwPlay.h"

TVfwPlay::TVfwPlay() = default;
TVfwPlay::~TVfwPlay() = default;

bool TVfwPlay::Open(const QString& path)
{
    Close();
    FileName = path;
    return false;
}

void TVfwPlay::Close()
{
    Opened = false;
    FrameCount = 0;
    if (OnClose)
        OnClose();
}

void TVfwPlay::Seek(int) {}

bool TVfwPlay::Draw(QImage&, const QRect&, int)
{
    return false;
}
