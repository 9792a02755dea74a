#include "sample/iso_painter.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vorn::sample {

namespace {

struct Signs {
    int kx, ky, sx, sy;
};

// Per view direction: which way the floor axes run on screen and away from
// the camera (the renderer's multi-tile geometry uses the same signs).
Signs SignsOf(int direction)
{
    switch (direction) {
    case 2: return {+1, -1, -1, -1};
    case 4: return {+1, +1, +1, -1};
    case 6: return {-1, +1, +1, +1};
    default: return {-1, -1, -1, +1};
    }
}

// 3x5 digits, one row per entry, bit 2 the left column.
constexpr uint8_t kDigits[10][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 3, 1, 7}, {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 2, 2}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7},
};

} // namespace

uint8_t DepthByte(double depth)
{
    return static_cast<uint8_t>(std::clamp(std::lround(128 + 40 * depth), 0L, 254L));
}

IsoPainter::IsoPainter(int direction, int zoom) : direction_(direction), step_(4 << zoom)
{
    const Signs s = SignsOf(direction);
    kx_ = s.kx;
    ky_ = s.ky;
    sx_ = s.sx;
    sy_ = s.sy;
}

void IsoPainter::Project(const Point3& p, int tx, int ty, double& sx, double& sy) const
{
    const double x = p.x - tx, y = p.y - ty;
    sx = 2.0 * step_ * (sx_ * x + sy_ * y);
    sy = -static_cast<double>(step_) * (kx_ * x + ky_ * y) - 3.0 * step_ * p.z;
}

double IsoPainter::Depth(const Point3& p, int tx, int ty) const
{
    // The camera looks along (k, -z * 2/3): the direction that projects to a
    // single screen point, so the depth agrees with the picture.
    return kx_ * (p.x - tx) + ky_ * (p.y - ty) - p.z * (2.0 / 3.0);
}

TilePicture IsoPainter::PaintTile(const std::vector<Face>& faces, int tx, int ty) const
{
    double minX = std::numeric_limits<double>::max(), minY = minX;
    double maxX = std::numeric_limits<double>::lowest(), maxY = maxX;
    for (const Face& f : faces) {
        for (int corner = 0; corner < 4; ++corner) {
            Point3 p = f.origin;
            if (corner & 1) {
                p.x += f.edgeU.x, p.y += f.edgeU.y, p.z += f.edgeU.z;
            }
            if (corner & 2) {
                p.x += f.edgeV.x, p.y += f.edgeV.y, p.z += f.edgeV.z;
            }
            double sx, sy;
            Project(p, tx, ty, sx, sy);
            minX = std::min(minX, sx), maxX = std::max(maxX, sx);
            minY = std::min(minY, sy), maxY = std::max(maxY, sy);
        }
    }
    const int x0 = static_cast<int>(std::floor(minX)) - 1, y0 = static_cast<int>(std::floor(minY)) - 1;
    const int w = static_cast<int>(std::ceil(maxX)) + 1 - x0, h = static_cast<int>(std::ceil(maxY)) + 1 - y0;
    std::vector<double> zbuf(static_cast<size_t>(w) * h, std::numeric_limits<double>::max());
    std::vector<int> colour(zbuf.size(), -1);
    std::vector<uint8_t> alpha(zbuf.size(), 0);

    for (const Face& f : faces) {
        double ox, oy, ax, ay, bx, by;
        Project(f.origin, tx, ty, ox, oy);
        Project({f.origin.x + f.edgeU.x, f.origin.y + f.edgeU.y, f.origin.z + f.edgeU.z}, tx, ty, ax, ay);
        Project({f.origin.x + f.edgeV.x, f.origin.y + f.edgeV.y, f.origin.z + f.edgeV.z}, tx, ty, bx, by);
        ax -= ox, ay -= oy, bx -= ox, by -= oy;
        const double det = ax * by - ay * bx;
        if (std::fabs(det) < 1e-9)
            continue; // seen edge-on
        for (int py = 0; py < h; ++py) {
            for (int px = 0; px < w; ++px) {
                const double dx = x0 + px + 0.5 - ox, dy = y0 + py + 0.5 - oy;
                const double u = (dx * by - dy * bx) / det, v = (ax * dy - ay * dx) / det;
                if (u < 0 || u > 1 || v < 0 || v > 1)
                    continue;
                const Point3 p{f.origin.x + u * f.edgeU.x + v * f.edgeV.x, f.origin.y + u * f.edgeU.y + v * f.edgeV.y,
                               f.origin.z + u * f.edgeU.z + v * f.edgeV.z};
                // Each tile carries only what stands over its own floor cell.
                if (p.x < tx - 0.5 || p.x >= tx + 0.5 || p.y < ty - 0.5 || p.y >= ty + 0.5)
                    continue;
                const double depth = Depth(p, tx, ty) + f.depthOffset;
                const size_t i = static_cast<size_t>(py) * w + px;
                if (depth >= zbuf[i])
                    continue;
                const int c = f.shader(u, v);
                if (c < 0)
                    continue;
                zbuf[i] = depth;
                colour[i] = c;
                alpha[i] = f.alpha;
            }
        }
    }

    int left = w, right = -1, top = h, bottom = -1;
    for (int py = 0; py < h; ++py)
        for (int px = 0; px < w; ++px)
            if (colour[static_cast<size_t>(py) * w + px] >= 0) {
                left = std::min(left, px), right = std::max(right, px);
                top = std::min(top, py), bottom = std::max(bottom, py);
            }
    TilePicture picture;
    if (right < 0)
        return picture;
    picture.width = right - left + 1;
    picture.height = bottom - top + 1;
    picture.left = x0 + left;
    picture.bottom = y0 + bottom + 1;
    const size_t n = static_cast<size_t>(picture.width) * picture.height;
    picture.colour.assign(n, 0);
    picture.depth.assign(n, 255);
    picture.alpha.assign(n, 0);
    for (int py = 0; py < picture.height; ++py)
        for (int px = 0; px < picture.width; ++px) {
            const size_t from = static_cast<size_t>(py + top) * w + px + left;
            const size_t to = static_cast<size_t>(py) * picture.width + px;
            if (colour[from] < 0)
                continue;
            picture.colour[to] = static_cast<uint8_t>(colour[from]);
            picture.depth[to] = DepthByte(zbuf[from]);
            picture.alpha[to] = alpha[from];
        }
    return picture;
}

void IsoPainter::StampDigit(TilePicture& picture, int digit, double centreX, double centreY, uint8_t ink) const
{
    const int scale = step_ >= 32 ? 3 : step_ >= 16 ? 2 : 1;
    const int cx = static_cast<int>(std::lround(centreX)) - picture.left - (3 * scale) / 2;
    const int cy = static_cast<int>(std::lround(centreY)) - (picture.bottom - picture.height) - (5 * scale) / 2;
    for (int row = 0; row < 5 * scale; ++row)
        for (int col = 0; col < 3 * scale; ++col) {
            if (!(kDigits[digit % 10][row / scale] & (4 >> (col / scale))))
                continue;
            const int x = cx + col, y = cy + row;
            if (x < 0 || y < 0 || x >= picture.width || y >= picture.height)
                continue;
            const size_t i = static_cast<size_t>(y) * picture.width + x;
            if (picture.alpha[i] == 255)
                picture.colour[i] = ink;
        }
}

} // namespace vorn::sample
