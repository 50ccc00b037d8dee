"""Sharp bounds on P(at least one of n events occurs), P(at least R occur) and P(exactly R
occur) from the binomial moments S_1 .. S_m, computed in exact rational arithmetic as
unionbound-batch computes them.

    >>> r = unionbound.sharp_bounds(n=3, moments=[1.5, 0.75])
    >>> r
    Bounds(n=3, m=2, lower=0.75, upper=1.0, status=0)
    >>> r.lower.value, r.lower.fraction, r.lower.basis, r.upper.status
    (0.75, '3/4', [0, 1, 2], 'optimal')

Floats come out by default (the doubles nearest to the exact values); with exact=True the
values are fractions.Fraction. Moments go in as ints, floats, Fractions, Decimals or strings,
in a list, a tuple or any other iterable, a numpy array included. An argument of the wrong type
raises TypeError, one of the right type but an unusable value ValueError, a file that cannot be
opened the OSError that opening it raises (FileNotFoundError, PermissionError, ...), and data
that cannot be used ValueError: a moment that is no number, or a file that was not read whole
(reading stopped at a word that is not a number, or the file ended early) unless
accept_short=True.
"""

import json
import numbers
import os
from dataclasses import dataclass, field
from decimal import Decimal
from fractions import Fraction
from itertools import combinations
from typing import Any, Dict, Iterable, List, Optional, Tuple, Union

from . import _unionbound

__version__: str = _unionbound.version()
__all__ = [
    "Bound", "Bounds", "OrderRow", "ClassicalBound", "IndividualBound", "IndividualBounds",
    "PartialSums",
    "sharp_bounds", "by_order", "classical_bounds", "moments_from_file",
    "count_numbers", "sum_part", "merge_sums",
]

# A moment as the functions take it: a str is read as the batch program's --moments reads it
# ("3/4", "0.75", "1E-8"), a float by its shortest repr, a Decimal as written.
_Moment = Union[int, float, Fraction, Decimal, str]
# A probability as the functions give it: float, or Fraction with exact=True.
_Value = Union[float, Fraction]
# A file's path, as open() takes it.
_Path = Union[str, bytes, os.PathLike]


@dataclass(frozen=True)
class Bound:
    """One sharp bound, with the keys of the batch program's JSON.

    Attributes
    ----------
    value : float, Fraction or None
        The bound: the double nearest to it, or the Fraction itself with exact=True; None when
        no bound exists.
    fraction : str or None
        The exact bound as a fraction such as "7/10"; None when no bound exists.
    basis : list of int
        The numbers of occurring events that the extreme distribution puts weight on.
    solution : list of float or Fraction
        The extreme distribution on the basis, in the basis's order.
    solution_fractions : list of str
        The same, each as an exact fraction.
    status : str
        "optimal", or "infeasible" when the data fit no distribution.
    basis_changes : int
        How many steps the walk took.
    seconds : float
        How long finding this bound took.
    """

    value: Optional[_Value]
    fraction: Optional[str]
    basis: List[int]
    # The distribution and the walk's figures stay out of repr, where they would drown the value.
    solution: List[_Value] = field(repr=False)
    solution_fractions: List[str] = field(repr=False)
    status: str
    basis_changes: int = field(repr=False)
    seconds: float = field(repr=False)


@dataclass(frozen=True, repr=False)
class OrderRow:
    """The sharp bounds from the orders 1 .. k alone, with the classical bounds of order k when
    they were asked for (the union only; otherwise those four are None).

    Attributes
    ----------
    k : int
        The largest order used.
    status : str
        "optimal", or "infeasible" when S_1 .. S_k fit no distribution.
    lower, upper : Bound
        The sharp bounds from S_1 .. S_k.
    bonferroni : float or None
        B_k, an upper bound for odd k and a lower bound for even k.
    bonferroni_side : str or None
        "upper" or "lower", the side B_k bounds.
    dawson_sankoff_lower : float or None
        The Dawson-Sankoff lower bound, from k = 2 on.
    kwerel_upper : float or None
        Kwerel's upper bound, from k = 2 on.
    """

    k: int
    status: str
    lower: Bound
    upper: Bound
    bonferroni: Optional[float]
    bonferroni_side: Optional[str]
    dawson_sankoff_lower: Optional[float]
    kwerel_upper: Optional[float]

    def __repr__(self) -> str:
        return (f"OrderRow(k={self.k}, lower={_shown(self.lower.value)}, "
                f"upper={_shown(self.upper.value)}, status={self.status!r})")


@dataclass(frozen=True)
class ClassicalBound:
    """One row of the classical bounds shown beside the sharp ones.

    Attributes
    ----------
    name : str
        The bound's name, as the batch program's --classical table has it.
    side : str
        "lower" or "upper".
    value : float
        The bound; NaN where it is not defined for these data.
    tightest : bool
        Whether it is the tightest classical bound of its side.
    """

    name: str
    side: str
    value: float
    tightest: bool


@dataclass(frozen=True)
class IndividualBound:
    """One bound from every intersection given (individual=True): the least or the largest
    probability over every distribution on the 2**n atoms that gives each intersection its
    probability.

    Attributes
    ----------
    value : float, Fraction or None
        The bound, as `Bound.value`; None when the intersections fit no distribution.
    fraction : str or None
        The exact bound as a fraction; None when there is none.
    status : str
        "optimal" or "infeasible".
    atoms : int
        The atoms (sets of events that occur together) of positive probability in a
        distribution that attains the bound.
    basis_changes : int
        The simplex method's steps.
    seconds : float
        How long finding this bound took.
    """

    value: Optional[_Value]
    fraction: Optional[str]
    status: str
    atoms: int
    basis_changes: int = field(repr=False)
    seconds: float = field(repr=False)


@dataclass(frozen=True)
class IndividualBounds:
    """Both bounds from every intersection given.

    Attributes
    ----------
    lower, upper : IndividualBound
        The least and the largest probability the intersections allow.
    no_distribution_reason : str
        When the intersections fit no distribution, why, naming the first events (from 1)
        found to disagree; empty otherwise.
    """

    lower: IndividualBound
    upper: IndividualBound
    no_distribution_reason: str = ""


@dataclass(frozen=True, repr=False)
class Bounds:
    """Both sharp bounds and what was said of the data. As scipy's results do, `success`,
    `status` and `message` say how it went.

    Attributes
    ----------
    n : int
        The number of events.
    m : int
        The largest order of the moments.
    S : list of float or Fraction
        S_0 .. S_m, S_0 being 1.
    S_fractions : list of str
        The same, each as an exact fraction.
    lower, upper : Bound
        The sharp bounds.
    notes : list of str
        What the batch program says on standard error without refusing.
    by_order : list of OrderRow
        With by_order=True, the bounds from the orders 1 .. k alone, for k = 1 .. min(m, n).
    classical : list of ClassicalBound
        With classical=True, the union's classical bounds (empty for the other questions).
    individual : IndividualBounds or None
        With individual=True, the bounds from every intersection given.
    no_distribution_reason : str
        When a bound is missing, why the data fit no distribution, as far as a plain look
        tells; empty otherwise.
    success : bool
        Whether both bounds exist.
    status : int
        0 when both bounds exist, 1 when the data fit no probability distribution (then
        neither exists).
    message : str
        The status in words, with the reason when there is one.
    """

    n: int
    m: int
    S: List[_Value]
    S_fractions: List[str]
    lower: Bound
    upper: Bound
    notes: List[str]
    by_order: List[OrderRow] = field(default_factory=list)
    classical: List[ClassicalBound] = field(default_factory=list)
    individual: Optional[IndividualBounds] = None
    no_distribution_reason: str = ""
    success: bool = True
    status: int = 0
    message: str = "both bounds found"

    def __repr__(self) -> str:
        return (f"Bounds(n={self.n}, m={self.m}, lower={_shown(self.lower.value)}, "
                f"upper={_shown(self.upper.value)}, status={self.status})")


def _shown(value: Optional[_Value]) -> str:
    """A bound in a repr: a Fraction as 3/4, which reads better in a line of figures than
    Fraction(3, 4)."""
    return str(value) if isinstance(value, Fraction) else repr(value)


def _whole(name: str, value: Any, low: int = 0, high: int = 2**31 - 1) -> int:
    """An int for the library: TypeError for what is no int, ValueError for one out of range."""
    if isinstance(value, bool) or not isinstance(value, numbers.Integral):
        raise TypeError(f"{name} must be an int, not {type(value).__name__}")
    if not low <= value <= high:
        high_text = "n=" + str(high) if name in ("at_least", "exactly") else str(high)
        raise ValueError(f"{name} must be a whole number from {low} to {high_text}, not {value}")
    return int(value)


def _moments(moments: Any) -> List[str]:
    """The moments as the library's text: a sequence of numbers or strings, never one string."""
    if isinstance(moments, (str, bytes)):
        raise TypeError("moments must be a sequence of numbers, not a string")
    try:
        items = list(moments)
    except TypeError:
        raise TypeError(
            f"moments must be a sequence of numbers, not {type(moments).__name__}"
        ) from None
    for i, x in enumerate(items):
        # Decimal is no numbers.Real: it refuses to mix with floats, not to be a moment.
        if isinstance(x, bool) or not isinstance(x, (numbers.Real, Decimal, str)):
            raise TypeError(
                f"moments[{i}] must be a number or a string such as \"3/4\", "
                f"not {type(x).__name__}"
            )
    return [_moment_text(x) for x in items]


def _readable(file: Any) -> str:
    """The file's path, after opening it once, so that a file that cannot be read raises the
    OSError that says why."""
    try:
        path = os.fspath(file)
    except TypeError:
        raise TypeError(f"file must be a path, not {type(file).__name__}") from None
    if isinstance(path, bytes):
        path = os.fsdecode(path)
    with open(path, "rb"):
        pass
    return path


def _moment_text(x: Any) -> str:
    """A moment as the batch program's --moments would take it; floats by their shortest
    repr, so that 0.1 is 1/10 as written, and Decimals as written, every digit kept."""
    if isinstance(x, str):
        return str(x)
    if isinstance(x, Decimal):
        return str(x)
    if isinstance(x, float):
        # float's own repr: numpy's float64 is a float whose repr names its type under numpy 2.
        return float.__repr__(x)
    if isinstance(x, numbers.Integral):
        return str(int(x))
    if isinstance(x, numbers.Rational):
        return f"{x.numerator}/{x.denominator}"
    # Other reals (numpy's float32, say) by their own shortest decimal.
    return str(x)


def _number(fraction: str, exact: bool) -> _Value:
    return Fraction(fraction) if exact else float(Fraction(fraction))


def _bound(bound: Any, exact: bool) -> Bound:
    convert = Fraction if exact else float
    return Bound(
        value=(Fraction(bound.fraction) if exact else bound.value) if bound.found else None,
        fraction=bound.fraction if bound.found else None,
        basis=list(bound.basis),
        solution=[Fraction(x) for x in bound.solution_fractions] if exact
        else [convert(x) for x in bound.solution],
        solution_fractions=list(bound.solution_fractions),
        status=bound.status,
        basis_changes=bound.basis_changes,
        seconds=bound.seconds,
    )


def _individual_bound(bound: Any, exact: bool) -> IndividualBound:
    return IndividualBound(
        value=(Fraction(bound.fraction) if exact else bound.value) if bound.found else None,
        fraction=bound.fraction if bound.found else None,
        status=bound.status,
        atoms=bound.atoms,
        basis_changes=bound.basis_changes,
        seconds=bound.seconds,
    )


def _individual(result: Any, exact: bool) -> Optional[IndividualBounds]:
    given = result.individual
    if not given.given:
        return None
    return IndividualBounds(
        lower=_individual_bound(given.lower, exact),
        upper=_individual_bound(given.upper, exact),
        no_distribution_reason=given.no_distribution_reason,
    )


def _row(row: Any, exact: bool) -> OrderRow:
    return OrderRow(
        k=row.k,
        status=row.status,
        lower=_bound(row.lower, exact),
        upper=_bound(row.upper, exact),
        bonferroni=row.bonferroni if row.classical else None,
        bonferroni_side=row.bonferroni_side if row.classical else None,
        dawson_sankoff_lower=row.dawson_sankoff_lower if row.classical else None,
        kwerel_upper=row.kwerel_upper if row.classical else None,
    )


def _bounds(result: Any, exact: bool) -> Bounds:
    return Bounds(
        n=result.n,
        m=result.m,
        S=[Fraction(s) for s in result.S_fractions] if exact else list(result.S),
        S_fractions=list(result.S_fractions),
        lower=_bound(result.lower, exact),
        upper=_bound(result.upper, exact),
        notes=list(result.notes),
        by_order=[_row(row, exact) for row in result.by_order],
        classical=[
            ClassicalBound(name=row.name, side=row.side, value=row.value, tightest=row.tightest)
            for row in result.classical
        ],
        individual=_individual(result, exact),
        no_distribution_reason=result.no_distribution_reason,
        **_outcome(result),
    )


def _outcome(result: Any) -> Dict[str, Any]:
    individual = result.individual
    if result.lower.found and result.upper.found:
        if individual.given and not (individual.lower.found and individual.upper.found):
            return dict(
                success=False,
                status=1,
                message="the intersections fit no probability distribution: "
                + individual.no_distribution_reason,
            )
        return dict(success=True, status=0, message="both bounds found")
    reason = result.no_distribution_reason
    return dict(
        success=False,
        status=1,
        message="the data fit no probability distribution" + (f": {reason}" if reason else ""),
    )


def _intersection_list(n: int, intersections: Any) -> Tuple[int, List[str]]:
    """The largest order and the probabilities in the order of prob.txt, from a mapping keyed
    by tuples of events numbered from 1."""
    if not hasattr(intersections, "items"):
        raise TypeError("intersections must be a mapping from tuples of events to probabilities, "
                        f"not {type(intersections).__name__}")
    given: Dict[Tuple[int, ...], str] = {}
    for key, value in intersections.items():
        if not isinstance(key, tuple) or not key:
            raise TypeError(f"intersections: the key {key!r} is not a non-empty tuple of events")
        for event in key:
            if isinstance(event, bool) or not isinstance(event, numbers.Integral):
                raise TypeError(f"intersections: the key {key!r} holds {event!r}, not an event "
                                "number")
            if not 1 <= event <= n:
                raise ValueError(f"intersections: the key {key!r} names event {event}; events "
                                 f"are numbered from 1 to n={n}")
        events = tuple(sorted(int(e) for e in key))
        if len(set(events)) != len(events):
            raise ValueError(f"intersections: the key {key!r} names an event twice")
        if events in given:
            raise ValueError(f"intersections: the events {events} are given twice")
        given[events] = _moment_text(value)
    order = max((len(k) for k in given), default=0)
    probabilities: List[str] = []
    for k in range(1, order + 1):
        for subset in combinations(range(1, n + 1), k):
            if subset not in given:
                raise ValueError(f"intersections: every subset of up to {order} events is "
                                 f"needed; {subset} is missing")
            probabilities.append(given[subset])
    return order, probabilities


def _question(n: int, at_least: Any, exactly: Any) -> Tuple[str, int]:
    if at_least is not None and exactly is not None:
        raise ValueError("at_least and exactly exclude each other")
    if at_least is not None:
        return "at_least", _whole("at_least", at_least, 1, n)
    if exactly is not None:
        return "exactly", _whole("exactly", exactly, 1, n)
    return "union", 1


def sharp_bounds(
    n: int,
    moments: Optional[Iterable[_Moment]] = None,
    *,
    file: Optional[_Path] = None,
    m: Optional[int] = None,
    at_least: Optional[int] = None,
    exactly: Optional[int] = None,
    exact: bool = False,
    by_order: bool = False,
    classical: bool = False,
    accept_short: bool = False,
    sums: Optional["PartialSums"] = None,
    intersections: Optional[Dict[Tuple[int, ...], _Moment]] = None,
    individual: bool = False,
) -> Bounds:
    """The sharp lower and upper bounds on P(at least one of the n events occurs), or on
    P(at least R) or P(exactly R).

    Parameters
    ----------
    n : int
        The number of events, from 0 to 2**31 - 1.
    moments : iterable of int, float, Fraction, Decimal or str, optional
        S_1 .. S_m: floats by their shortest repr (0.1 is 1/10), Decimals and strings ("3/2",
        "0.75", "1E-8") as written, exactly; a list, a tuple, a numpy array, ... Either
        moments or file is given.
    file : str or os.PathLike, optional
        A file of intersection probabilities, as unionbound's prob.txt; needs m.
    m : int, optional
        With file, the largest order of the intersections to read.
    at_least : int, optional
        R from 1 to n: bound P(at least R) instead of the union.
    exactly : int, optional
        R from 1 to n: bound P(exactly R) instead of the union.
    exact : bool, default False
        Give the values as Fractions instead of floats.
    by_order : bool, default False
        Fill `Bounds.by_order` with the bounds from the orders 1 .. k alone, for every k.
    classical : bool, default False
        Fill `Bounds.classical` with the union's classical bounds, and the rows by order with
        those of their order.
    accept_short : bool, default False
        With file, take a file that was not read whole, letting the last number read stand
        for the rest as unionbound does, and say so in `Bounds.notes`.
    sums : PartialSums, optional
        Instead of moments or file: the merged sums of every part of a file (`sum_part`,
        `merge_sums`), which must cover it exactly once. The bounds are the whole file's; the
        classical table lacks the bounds that use each pair, which need the pairs themselves.
    intersections : mapping of tuple of int to probability, optional
        Instead of moments, file or sums: the probability of each intersection, keyed by the
        events in it, numbered from 1 (``{(1,): 0.5, (2,): 0.4, (1, 2): 0.2}``); every subset of
        up to m events must be there, m being the largest key's size. The moments are their
        sums.
    individual : bool, default False
        With file or intersections, for n up to 20: fill `Bounds.individual` with the bounds
        from every intersection given, not only from their sums, exactly. They lie inside the
        sharp bounds and are often much narrower.

    Returns
    -------
    Bounds
        Both bounds; `success`, `status` and `message` say whether the data fit a
        distribution.

    Raises
    ------
    TypeError
        For an argument of the wrong type (a string of moments included).
    ValueError
        For a value out of range, a moment that is no number, both or neither of moments and
        file, or a file not read whole without accept_short.
    OSError
        The error of opening a file that cannot be opened (FileNotFoundError, ...).
    """
    n = _whole("n", n)
    kind, r = _question(n, at_least, exactly)
    if individual and file is None and intersections is None:
        raise ValueError("individual needs the intersections themselves: file or intersections")
    if intersections is not None:
        if moments is not None or file is not None or sums is not None or m is not None \
                or accept_short or classical:
            raise ValueError("intersections go alone: no moments, file, sums, m, accept_short "
                             "or classical beside them")
        order, probabilities = _intersection_list(n, intersections)
        result = _unionbound.bounds_from_intersections(
            n, order, probabilities, kind, r, by_order, individual)
        return _bounds(result, exact)
    if sums is not None:
        if moments is not None or file is not None or m is not None or accept_short:
            raise ValueError("sums go alone: no moments, file, m or accept_short beside them")
        if not isinstance(sums, PartialSums):
            raise TypeError(f"sums must be PartialSums, not {type(sums).__name__}")
        if sums.n != n:
            raise ValueError(f"the sums are for n={sums.n}, not n={n}")
        result = _unionbound.bounds_from_sums(sums.to_json(), kind, r, by_order, classical)
        return _bounds(result, exact)
    if (moments is None) == (file is None):
        raise ValueError("one of moments, file (with m) and sums is needed")
    if file is not None:
        if m is None:
            raise ValueError("file needs m, the largest order of its intersections")
        m = _whole("m", m)
        result = _unionbound.sharp_bounds_from_file(
            _readable(file), n, m, kind, r, by_order, classical, accept_short, individual
        )
    else:
        if m is not None:
            raise ValueError("m goes with file: the moments' count is their order")
        if accept_short:
            raise ValueError("accept_short goes with file")
        result = _unionbound.sharp_bounds(n, _moments(moments), kind, r, by_order, classical)
    return _bounds(result, exact)


def by_order(
    n: int,
    moments: Optional[Iterable[_Moment]] = None,
    *,
    file: Optional[_Path] = None,
    m: Optional[int] = None,
    at_least: Optional[int] = None,
    exactly: Optional[int] = None,
    exact: bool = False,
    classical: bool = False,
    accept_short: bool = False,
) -> List[OrderRow]:
    """The sharp bounds from the orders 1 .. k alone, for k = 1 .. m: how much each further
    moment narrows the bounds.

    Parameters
    ----------
    n : int
        The number of events.
    moments : iterable of int, float, Fraction, Decimal or str, optional
        S_1 .. S_m, as `sharp_bounds` takes them. Either moments or file is given.
    file : str or os.PathLike, optional
        A file of intersection probabilities; needs m.
    m : int, optional
        With file, the largest order of the intersections to read.
    at_least : int, optional
        R from 1 to n: bound P(at least R) instead of the union.
    exactly : int, optional
        R from 1 to n: bound P(exactly R) instead of the union.
    exact : bool, default False
        Give the values as Fractions instead of floats.
    classical : bool, default False
        Give each row the classical bounds of its order (the union only).
    accept_short : bool, default False
        With file, take a file that was not read whole.

    Returns
    -------
    list of OrderRow
        One row for each k from 1 to min(m, n), in that order (orders above n are 0 for any
        n events); `sharp_bounds(..., by_order=True)` gives the same rows in
        `Bounds.by_order`.

    Raises
    ------
    TypeError
        For an argument of the wrong type.
    ValueError
        For a value out of range or unusable data, as `sharp_bounds` refuses them.
    OSError
        The error of opening a file that cannot be opened.
    """
    return sharp_bounds(n, moments, file=file, m=m, at_least=at_least, exactly=exactly,
                        exact=exact, by_order=True, classical=classical,
                        accept_short=accept_short).by_order


def classical_bounds(
    n: int,
    moments: Optional[Iterable[_Moment]] = None,
    *,
    file: Optional[_Path] = None,
    m: Optional[int] = None,
    accept_short: bool = False,
) -> List[ClassicalBound]:
    """The classical lower and upper bounds on P(at least one of the n events occurs) from
    the same moments, as the batch program's --classical shows them beside the sharp ones.

    Parameters
    ----------
    n : int
        The number of events.
    moments : iterable of int, float, Fraction, Decimal or str, optional
        S_1 .. S_m, as `sharp_bounds` takes them. Either moments or file is given.
    file : str or os.PathLike, optional
        A file of intersection probabilities; needs m.
    m : int, optional
        With file, the largest order of the intersections to read.
    accept_short : bool, default False
        With file, take a file that was not read whole.

    Returns
    -------
    list of ClassicalBound
        The rows of the batch program's --classical table: the sharp bounds first, then the
        Bonferroni, Dawson-Sankoff and Kwerel bounds, the tightest of each side marked.

    Raises
    ------
    TypeError
        For an argument of the wrong type.
    ValueError
        For a value out of range or unusable data, as `sharp_bounds` refuses them.
    OSError
        The error of opening a file that cannot be opened.
    """
    return sharp_bounds(n, moments, file=file, m=m, classical=True,
                        accept_short=accept_short).classical


def moments_from_file(
    path: _Path, n: int, m: int, *, exact: bool = False, accept_short: bool = False
) -> List[_Value]:
    """The binomial moments S_1 .. S_m of a file of intersection probabilities, each the exact
    sum of its block as written.

    Parameters
    ----------
    path : str or os.PathLike
        The file, as unionbound's prob.txt.
    n : int
        The number of events.
    m : int
        The largest order of the intersections to read.
    exact : bool, default False
        Give Fractions instead of the floats nearest to the sums.
    accept_short : bool, default False
        Take a file that was not read whole, letting the last number read stand for the rest.

    Returns
    -------
    list of float or Fraction
        S_1 .. S_m.

    Raises
    ------
    TypeError
        For an argument of the wrong type.
    ValueError
        For a value out of range, or a file not read whole without accept_short.
    OSError
        The error of opening a file that cannot be opened.
    """
    n = _whole("n", n)
    m = _whole("m", m)
    fractions = _unionbound.moments_from_file(_readable(path), n, m, accept_short)
    return [_number(s, exact) for s in fractions]


class PartialSums:
    """The exact sums of some parts of a probability file, for n events and orders 1 .. m:
    for each order the sum of its numbers as a Fraction and how many there were, and which
    bytes and indices of which file they cover.

    Parts are summed where they lie (`sum_part`), merged in any order and grouping
    (`merge_sums`, or a + b), and answered from once they cover the file exactly once
    (`sharp_bounds(n, sums=...)`). A gap or an overlap between parts raises ValueError with the
    range named. A PartialSums is immutable, compares and hashes by value, pickles, and
    travels as one line of JSON (`to_json`, `from_json`), the lines that unionbound-batch
    --partial prints and --sums reads.
    """

    __slots__ = ("_json", "_fields")

    def __init__(self, json_text: str) -> None:
        if not isinstance(json_text, str):
            raise TypeError(f"json_text must be a str, not {type(json_text).__name__}")
        # The library checks every field and writes the text in its one way, so that equal
        # sums have equal text however they were merged.
        self._json = _unionbound.checked_sums(json_text)
        self._fields = json.loads(self._json)

    @classmethod
    def from_json(cls, json_text: str) -> "PartialSums":
        """The sums of one line of JSON, as `to_json` and unionbound-batch --partial write it."""
        return cls(json_text)

    def to_json(self) -> str:
        """One line of JSON, the sums as exact fractions in strings."""
        return self._json

    @property
    def n(self) -> int:
        return int(self._fields["n"])

    @property
    def m(self) -> int:
        return int(self._fields["m"])

    @property
    def sums(self) -> List[Fraction]:
        """The sum of the numbers of each order 1 .. m summed so far."""
        return [Fraction(s) for s in self._fields["sums"]]

    @property
    def counts(self) -> List[int]:
        """How many numbers of each order 1 .. m were summed."""
        return list(self._fields["counts"])

    @property
    def files(self) -> List[Dict[str, Any]]:
        """The files and, for each, the pieces covered: {"bytes": [from, to], "indices":
        [from, to]}, each range with its end excluded."""
        return json.loads(json.dumps(self._fields["files"]))

    def merge(self, other: "PartialSums") -> "PartialSums":
        """The sums of both; ValueError when they overlap or are of other files or counts."""
        if not isinstance(other, PartialSums):
            raise TypeError(f"can only merge PartialSums, not {type(other).__name__}")
        return PartialSums(_unionbound.merge_sums(self._json, other._json))

    def __add__(self, other: "PartialSums") -> "PartialSums":
        if not isinstance(other, PartialSums):
            return NotImplemented
        return self.merge(other)

    def __eq__(self, other: object) -> bool:
        if not isinstance(other, PartialSums):
            return NotImplemented
        return self._json == other._json

    def __hash__(self) -> int:
        return hash(self._json)

    def __reduce__(self) -> Tuple[Any, Tuple[str]]:
        return (PartialSums.from_json, (self._json,))

    def __repr__(self) -> str:
        return f"PartialSums(n={self.n}, m={self.m}, counts={self.counts})"


def _offset(name: str, value: Any) -> int:
    return _whole(name, value, 0, 2**63 - 1)


def count_numbers(path: _Path, start: int = 0, end: Optional[int] = None) -> int:
    """How many numbers start in a byte range of a file, found by their boundaries alone: the
    fast pass that gives each later range its first index.

    Parameters
    ----------
    path : str or os.PathLike
        The file.
    start : int, default 0
        The range's first byte. A number that `start` cuts belongs to the range before.
    end : int, optional
        The byte after the range; None for the file's end.

    Returns
    -------
    int
        The count of words (runs of bytes without white space) that start in the range.

    Raises
    ------
    TypeError
        For an argument of the wrong type.
    ValueError
        For a negative offset.
    OSError
        The error of opening a file that cannot be opened.
    """
    path = _readable(path)
    stop = -1 if end is None else _offset("end", end)
    return _unionbound.count_numbers(path, _offset("start", start), stop)


def sum_part(
    path: _Path,
    n: int,
    m: int,
    *,
    start: int = 0,
    end: Optional[int] = None,
    first_index: int = 0,
    order: int = 0,
) -> PartialSums:
    """The exact sums of the numbers that start in bytes [start, end) of a file of
    intersection probabilities, for n events and orders up to m.

    Parameters
    ----------
    path : str or os.PathLike
        The file: a whole prob.txt, or with `order` a file of one order's numbers.
    n : int
        The number of events.
    m : int
        The largest order of the intersections.
    start : int
        The range's first byte.
    end : int, optional
        The byte after the range; None for the file's end.
    first_index : int
        The index (from 0) of the range's first number in the file: the count of the numbers
        before `start` (`count_numbers(path, 0, start)`, or the running total of the earlier
        ranges' counts).
    order : int
        0 for a file of every order in turn; k when every number of the file is of order k.

    Returns
    -------
    PartialSums
        The sums of each order, and the bytes and indices they cover.

    Raises
    ------
    TypeError
        For an argument of the wrong type.
    ValueError
        For a word that is not one number (named with its byte), a value out of range.
    OSError
        The error of opening a file that cannot be opened.
    """
    path = _readable(path)
    n = _whole("n", n)
    m = _whole("m", m)
    stop = -1 if end is None else _offset("end", end)
    return PartialSums(_unionbound.sum_part(path, n, m, _offset("start", start), stop,
                                            _offset("first_index", first_index),
                                            _whole("order", order, 0, m)))


def merge_sums(parts: Iterable[PartialSums]) -> PartialSums:
    """The sums of all the parts; any order and grouping gives the same.

    Parameters
    ----------
    parts : iterable of PartialSums
        The parts, from `sum_part` or earlier merges.

    Returns
    -------
    PartialSums
        Their merged sums, to answer from with `sharp_bounds(n, sums=...)` once they cover
        the file.

    Raises
    ------
    TypeError
        For a part that is no PartialSums.
    ValueError
        For no part, or for parts that overlap or are of other files or counts.
    """
    merged: Optional[PartialSums] = None
    for part in parts:
        if not isinstance(part, PartialSums):
            raise TypeError(f"parts must be PartialSums, not {type(part).__name__}")
        merged = part if merged is None else merged.merge(part)
    if merged is None:
        raise ValueError("no partial sums were given")
    return merged
