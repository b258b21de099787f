/// @file
/// Polygons on locked surface memory: the Polygon record with its moves, rotations
/// and scaling (table and matrix forms), outlines, convex fills and bounds; small
/// float matrix products and quick distance estimates. Includes raster/triangles.h,
/// so that one include gives every filled shape. Owns the sine and cosine tables;
/// the fills read the clip rectangle of gfx/display.h, the outlines draw through
/// the clipped lines of raster/lines.h. Every drawing operation stays inside the
/// clip rectangle (inclusive edges).
/// @ingroup lines_polygons
#pragma once

#include <cstdint>

#include "raster/triangles.h"

/// @addtogroup lines_polygons
/// @{

/// One vertex of a polygon, relative to its origin.
struct PolygonVertex {
    float x;  ///< pixels right of the origin
    float y;  ///< pixels below the origin
};

/// A polygon: its origin on the screen, its colour and its vertices.
struct Polygon {
    std::int32_t state;         ///< 0: the outline operations refuse the polygon
    std::int32_t vertex_count;  ///< number of vertices; at least 3 to be drawn, turned or scaled
    std::int32_t x;             ///< screen x of the origin
    std::int32_t y;             ///< screen y of the origin
    std::int32_t aux1;          ///< free for the caller; never read or written here
    std::int32_t aux2;          ///< free for the caller; never read or written here
    std::uint32_t color;        ///< low 8 bits drawn in 8-bit memory, low 16 in 16-bit
    PolygonVertex* vertices;    ///< vertex_count vertices in order round the outline; caller's
};

/// A vertex whose screen position lies further than this from 0 (or is not a
/// number) makes the fills and outlines refuse the polygon.
constexpr double POLYGON_COORD_LIMIT = 16777216.0;

// ---- tables ------------------------------------------------------------------

extern float cos_table[361];  ///< cosine of each whole degree 0..360, single precision
extern float sin_table[361];  ///< sine of each whole degree 0..360, single precision

/// fills both tables (both forms of rotation also do it on their first use)
void build_sin_cos_tables();

// ---- polygons ----------------------------------------------------------------
// A polygon is refused (result 0, nothing changed) when it is null, has a null
// vertex list or fewer than 3 vertices; the translations need only the record.

/// fills a convex polygon with its colour, clipped; 1, or 0 when refused, for null
/// memory, a pitch below one pixel or a vertex beyond POLYGON_COORD_LIMIT
int fill_polygon8(const Polygon* poly, std::uint8_t* pixels, int pitch);
/// the same in 16 bits; the pitch is in bytes
int fill_polygon16(const Polygon* poly, std::uint16_t* pixels, int pitch);
/// closed outline with clipped lines; 1, or 0 when refused, for state 0, null
/// memory, a pitch below one pixel or a vertex beyond POLYGON_COORD_LIMIT
int draw_polygon8(const Polygon* poly, std::uint8_t* pixels, int pitch);
/// the same in 16 bits; the pitch is in bytes
int draw_polygon16(const Polygon* poly, std::uint16_t* pixels, int pitch);
/// the box of the vertices relative to the origin, the origin always inside it;
/// 1, or 0 when refused or an output is null
int polygon_bounds(const Polygon* poly, float* min_x, float* max_x, float* min_y, float* max_y);

/// moves the origin by (dx, dy), saturating at the int32 range; 1, or 0 for null
int translate_polygon(Polygon* poly, int dx, int dy);
/// rotates every vertex about the origin by whole degrees (any angle; reduced to
/// 0..360) from the tables; 1, or 0 when refused
int rotate_polygon(Polygon* poly, int angle);
/// multiplies every vertex x by sx and y by sy; 1, or 0 when refused
int scale_polygon(Polygon* poly, float sx, float sy);
// The same three through 3x2 matrix products.
/// translate_polygon through a matrix product; worked in float, so it is exact only
/// while the origin stays within +-2^24
int translate_polygon_m(Polygon* poly, int dx, int dy);
/// rotate_polygon through a matrix product
int rotate_polygon_m(Polygon* poly, int angle);
/// scale_polygon through a matrix product
int scale_polygon_m(Polygon* poly, float sx, float sy);

// ---- matrices (row order; safe when out is also an input) ----------------------

/// out = a x b for 3x3 matrices; 1, or 0 for a null pointer
int mat3x3_mul(const float* a, const float* b, float* out);
/// out = row x m, a 1x3 row times a 3x3 matrix; 1, or 0 for a null pointer
int mat1x3_mul_3x3(const float* row, const float* m, float* out);
/// out = (row, 1) x m, a 1x2 row times a 3x2 matrix; 1, or 0 for a null pointer
int mat1x2_mul_3x2(const float* row, const float* m, float* out);
/// stores the six values in row order; 1, or 0 for a null matrix
int mat3x2_init(float* m, float m00, float m01, float m10, float m11, float m20, float m21);

// ---- distances ---------------------------------------------------------------

/// integer estimate of the length of (dx, dy): with m the smaller of |dx| and |dy|,
/// |dx| + |dy| - m/2 - m/4 + m/16, each part truncated; within 8% for long
/// vectors, coarser for short ones ((3, 4) gives 6); at most INT32_MAX
int fast_distance2d(int dx, int dy);
/// estimate of the length of (dx, dy, dz) as a whole number (truncated): within 9%
/// for long vectors, coarser for short ones ((1, 1, 1) gives 1); NaN for a NaN
/// input, infinity for an infinite one or one beyond the float range
float fast_distance3d(float dx, float dy, float dz);

/// @}
