"""Types of the extension _beziercurve, which the package beziercurve re-exports."""
import os
from typing import Any, Iterable, Iterator, Literal, Optional, Sequence, Tuple, TypedDict, Union

import numpy
import numpy.typing

__version__: str
DEFAULT_TOLERANCE: float
DEFAULT_ARC_ERROR: float
MAX_COORDINATE: float

_FillRule = Literal["nonzero", "evenodd"]
_Contour = Tuple[int, int, bool]
_PaintTuple = Tuple[int, int, bool, _FillRule]
_Number = Union[float, int, numpy.floating[Any], numpy.integer[Any]]
_PathLike = Union[str, bytes, "os.PathLike[str]", "os.PathLike[bytes]"]

class Shape:
    def __init__(
        self,
        cubics: Union[str, "Shape", numpy.typing.ArrayLike] = ...,
        approximation_error: _Number = ...,
        contours: Optional[Iterable[_Contour]] = ...,
        paints: Optional[Iterable[_PaintTuple]] = ...,
        fill_rule: Optional[_FillRule] = ...,
    ) -> None: ...
    def __len__(self) -> int: ...
    def __array__(
        self, dtype: Optional[numpy.typing.DTypeLike] = ..., copy: Optional[bool] = ...
    ) -> numpy.typing.NDArray[Any]: ...
    @property
    def approximation_error(self) -> float: ...
    @property
    def contours(self) -> Tuple[_Contour, ...]: ...
    @property
    def paints(self) -> Tuple[_PaintTuple, ...]: ...
    def __eq__(self, other: object) -> bool: ...
    def __getstate__(self) -> Tuple[bytes, float, Tuple[_Contour, ...], Tuple[_PaintTuple, ...]]: ...
    def __setstate__(
        self, state: Tuple[bytes, float, Tuple[_Contour, ...], Tuple[_PaintTuple, ...]]
    ) -> None: ...

# What a shape may be given as: a Shape, SVG path data, or cubics (an array of shape (n, 4, 2)
# or (4, 2)).
_ShapeLike = Union[Shape, str, numpy.typing.ArrayLike]

class ShapePoint:
    @property
    def shape(self) -> Literal["A", "B"]: ...
    @property
    def segment(self) -> Optional[int]: ...
    @property
    def t(self) -> Optional[float]: ...
    @property
    def point(self) -> Tuple[float, float]: ...
    def __eq__(self, other: object) -> bool: ...

class Distance:
    @property
    def lower(self) -> float: ...
    @property
    def upper(self) -> float: ...
    @property
    def steps(self) -> int: ...
    @property
    def tolerance_met(self) -> bool: ...
    @property
    def interval(self) -> Tuple[float, float]: ...
    @property
    def witness(self) -> Optional[ShapePoint]: ...
    @property
    def nearest(self) -> Optional[ShapePoint]: ...
    def __eq__(self, other: object) -> bool: ...

_Leash = Tuple[ShapePoint, ShapePoint]

class FrechetDistance:
    @property
    def lower(self) -> float: ...
    @property
    def upper(self) -> float: ...
    @property
    def steps(self) -> int: ...
    @property
    def tolerance_met(self) -> bool: ...
    @property
    def reversed(self) -> bool: ...
    @property
    def unmet_reason(self) -> str: ...
    @property
    def interval(self) -> Tuple[float, float]: ...
    @property
    def walk(self) -> Tuple[_Leash, ...]: ...
    @property
    def bottleneck(self) -> _Leash: ...
    def __eq__(self, other: object) -> bool: ...

class Refusal:
    @property
    def pair(self) -> int: ...
    @property
    def error(self) -> Literal["ValueError", "TypeError", "MemoryError"]: ...
    @property
    def message(self) -> str: ...
    def __eq__(self, other: object) -> bool: ...

def hausdorff(
    a: _ShapeLike, b: _ShapeLike, tolerance: _Number = ..., *, fill: bool = ...
) -> Distance: ...
def within(a: _ShapeLike, b: _ShapeLike, d: _Number, *, fill: bool = ...) -> Optional[bool]: ...
def frechet(
    a: _ShapeLike,
    b: _ShapeLike,
    tolerance: _Number = ...,
    *,
    any_start: bool = ...,
    either_direction: bool = ...,
) -> FrechetDistance: ...
def frechet_by_contours(
    a: _ShapeLike,
    b: _ShapeLike,
    tolerance: _Number = ...,
    *,
    any_start: bool = ...,
    either_direction: bool = ...,
    pair_contours: bool = ...,
) -> dict[str, Any]: ...
def hausdorff_many(
    pairs: Iterable[Sequence[_ShapeLike]],
    tolerance: _Number = ...,
    jobs: Optional[int] = ...,
    *,
    fill: bool = ...,
    errors: Literal["raise", "return"] = ...,
) -> list[Union[Distance, Refusal]]: ...
def read_path(data: str, arc_error: _Number = ...) -> Shape: ...
def read_svg(path: _PathLike, id: Optional[str] = ..., arc_error: _Number = ...) -> Shape: ...
def read_glyph(font: _PathLike, glyph: str) -> Shape: ...

class _GlyphRecord(TypedDict):
    name: str
    code_point: int
    outcome: Literal[
        "measured", "empty in both", "empty in A", "empty in B", "unreadable", "contours differ",
        "refused",
    ]
    segments: Tuple[int, int]
    distance: Optional[Distance]
    verdict: Optional[bool]
    advance: Optional[Tuple[float, float]]
    problem: Optional[str]

class FontComparison:
    def __iter__(self) -> Iterator[_GlyphRecord]: ...
    def __next__(self) -> _GlyphRecord: ...
    @property
    def summary(self) -> Optional[dict[str, Any]]: ...

def compare_fonts(
    a: _PathLike,
    b: _PathLike,
    tolerance: _Number = ...,
    *,
    within: Optional[_Number] = ...,
    fill: bool = ...,
    match: Literal["auto", "name", "codepoint"] = ...,
    scale: bool = ...,
    metrics: bool = ...,
    jobs: Optional[int] = ...,
    threshold: _Number = ...,
    top: int = ...,
) -> FontComparison: ...

class _FontPairing(TypedDict):
    pairs: list[Tuple[str, str]]
    only_in_a: list[str]
    only_in_b: list[str]
    errors: list[str]

def pair_fonts(a: _PathLike, b: _PathLike) -> _FontPairing: ...

class _GlyphPair(TypedDict):
    name: str
    code_point: int
    a: Shape
    b: Shape
    problem: Optional[str]

def glyph_pairs(
    a: _PathLike,
    b: _PathLike,
    *,
    match: Literal["auto", "name", "codepoint"] = ...,
    scale: bool = ...,
    jobs: Optional[int] = ...,
) -> list[_GlyphPair]: ...
