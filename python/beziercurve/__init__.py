"""Certified Hausdorff distances between shapes made of cubic Bézier curves.

Every distance is an interval [lower, upper] that always holds the true Hausdorff distance,
floating-point rounding accounted for, at most `tolerance` wide:

    >>> import beziercurve
    >>> d = beziercurve.hausdorff("M0 0L1 0", "M0 1L1 1")
    >>> d.lower <= 1.0 <= d.upper
    True

Shapes are SVG path data, Shape objects (read_path, read_svg, read_glyph, Pen().shape, or
Shape(cubics)), or cubics: anything NumPy reads as an array of shape (n, 4, 2), or (4, 2) for
one cubic. Bad input raises ValueError (OSError for a file that cannot be read) in the words of
the bezier-hausdorff program.
"""
from ._beziercurve import (
    DEFAULT_ARC_ERROR,
    DEFAULT_TOLERANCE,
    MAX_COORDINATE,
    Distance,
    FontComparison,
    FrechetDistance,
    Refusal,
    Shape,
    ShapePoint,
    __version__,
    compare_fonts,
    frechet,
    frechet_by_contours,
    glyph_pairs,
    hausdorff,
    hausdorff_many,
    pair_fonts,
    read_glyph,
    read_path,
    read_svg,
    within,
)
from .pen import Pen

__all__ = [
    "DEFAULT_ARC_ERROR",
    "DEFAULT_TOLERANCE",
    "MAX_COORDINATE",
    "Distance",
    "FontComparison",
    "FrechetDistance",
    "Pen",
    "Refusal",
    "Shape",
    "ShapePoint",
    "compare_fonts",
    "frechet",
    "frechet_by_contours",
    "glyph_pairs",
    "hausdorff",
    "hausdorff_many",
    "pair_fonts",
    "read_glyph",
    "read_path",
    "read_svg",
    "within",
    "__version__",
]
