// Synthetic clips for the tracking tests and benchmark.
#include "SyntheticClip.h"

#include <algorithm>
#include <cmath>

QImage SynthBackground(int width, int height, unsigned seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    unsigned state = seed * 2654435761u + 12345u;
    auto next = [&state] {
        state = state * 1103515245u + 12345u;
        return (state >> 16) & 0x7FFF;
    };
    const int bw = (width + 7) / 8;
    const int bh = (height + 7) / 8;
    std::vector<int> blocks(static_cast<std::size_t>(bw) * bh);
    for (int& level : blocks)
        level = 70 + static_cast<int>(next() % 111);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int level =
                std::clamp(blocks[(y / 8) * bw + x / 8] + static_cast<int>(next() % 13) - 6, 0, 255);
            line[x] = qRgb(level, level, level);
        }
    }
    return image;
}

QImage SynthFrame(const QImage& background, const std::vector<TSynthDisc>& discs, const QRect& cover,
                  const std::vector<TSynthBar>& bars)
{
    QImage image = background.copy();
    for (const TSynthBar& bar : bars) {
        const QRect area = bar.Rect.intersected(image.rect());
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                image.setPixel(x, y, bar.Colour);
    }
    for (const TSynthDisc& disc : discs) {
        const int x0 = std::max(0, static_cast<int>(std::floor(disc.Centre.x() - disc.Radius)) - 1);
        const int x1 =
            std::min(image.width() - 1, static_cast<int>(std::ceil(disc.Centre.x() + disc.Radius)) + 1);
        const int y0 = std::max(0, static_cast<int>(std::floor(disc.Centre.y() - disc.Radius)) - 1);
        const int y1 =
            std::min(image.height() - 1, static_cast<int>(std::ceil(disc.Centre.y() + disc.Radius)) + 1);
        const double r2 = disc.Radius * disc.Radius;
        for (int y = y0; y <= y1; ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = x0; x <= x1; ++x) {
                int inside = 0;
                for (int sy = 0; sy < 4; ++sy)
                    for (int sx = 0; sx < 4; ++sx) {
                        const double px = x + (sx + 0.5) / 4.0 - disc.Centre.x();
                        const double py = y + (sy + 0.5) / 4.0 - disc.Centre.y();
                        if (px * px + py * py <= r2)
                            ++inside;
                    }
                if (inside == 0)
                    continue;
                const double a = inside / 16.0;
                const QRgb under = line[x];
                auto mix = [a](int top, int bottom) {
                    return static_cast<int>(std::lround(a * top + (1 - a) * bottom));
                };
                line[x] = qRgb(mix(qRed(disc.Colour), qRed(under)), mix(qGreen(disc.Colour), qGreen(under)),
                               mix(qBlue(disc.Colour), qBlue(under)));
            }
        }
    }
    if (!cover.isEmpty()) {
        const QRect area = cover.intersected(image.rect());
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                image.setPixel(x, y, qRgb(30, 90, 40));
    }
    return image;
}

std::vector<QPointF> SynthCircleOutline(const QPointF& centre, double radius, int width, int height,
                                        int count)
{
    std::vector<QPointF> points;
    for (int k = 0; k < count; ++k) {
        const double angle = 2.0 * M_PI * k / count;
        points.emplace_back((centre.x() + radius * std::cos(angle)) / width,
                            (centre.y() + radius * std::sin(angle)) / height);
    }
    return points;
}
