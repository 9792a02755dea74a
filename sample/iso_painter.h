#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace vorn::sample {

// A point of an object's own space, in tile units: x and y on the floor
// (the tile (tx, ty) has its centre at (tx, ty)), z up.
struct Point3 {
    double x = 0, y = 0, z = 0;
};

// The colour of a face at its face coordinates (u, v), both 0..1; a negative
// result leaves the pixel untouched.
using FaceShader = std::function<int(double u, double v)>;

// One flat parallelogram: origin + u * edgeU + v * edgeV.
struct Face {
    Point3 origin;
    Point3 edgeU;
    Point3 edgeV;
    FaceShader shader;
    uint8_t alpha = 255;
    // Added to the depth, so that a shadow lies just behind what stands on it.
    double depthOffset = 0;
};

// One picture of a tile as the game stores it: palette indices, depths and
// alphas, rows top to bottom, and where its bottom-left corner lies relative
// to the tile's origin (the centre of its floor).
struct TilePicture {
    int width = 0;
    int height = 0;
    int left = 0;   // x of the first column relative to the origin
    int bottom = 0; // y just below the last row relative to the origin
    std::vector<uint8_t> colour;
    std::vector<uint8_t> depth;
    std::vector<uint8_t> alpha;
};

// Paints faces the way the game's camera sees them: for view direction 0, 2,
// 4 or 6 and zoom 1, 2 or 3 a floor step of (2s, s) pixels per tile with
// s = 4 << zoom (the same steps the renderer uses between the tiles of a
// multi-tile object), 3s pixels per tile upwards, and a depth that grows away
// from the camera.
class IsoPainter {
public:
    IsoPainter(int direction, int zoom);

    // Screen position of a point relative to the tile (tx, ty)'s origin.
    void Project(const Point3& p, int tx, int ty, double& sx, double& sy) const;
    // Distance from the camera in tile units (larger is farther).
    double Depth(const Point3& p, int tx, int ty) const;

    // Rasterises the parts of `faces` that lie over the floor cell of tile
    // (tx, ty), with a depth test, into a picture cropped to what was painted.
    TilePicture PaintTile(const std::vector<Face>& faces, int tx, int ty) const;

    // Writes a digit (0..9) in screen space over painted pixels of `picture`,
    // centred on `centre` (in origin-relative pixels), in colour index `ink`.
    void StampDigit(TilePicture& picture, int digit, double centreX, double centreY, uint8_t ink) const;

    int Step() const { return step_; }

private:
    int direction_;
    int step_;
    int kx_, ky_, sx_, sy_;
};

// A depth in tile units to the stored byte (0 nearest, 255 farthest).
uint8_t DepthByte(double depth);

} // namespace vorn::sample
