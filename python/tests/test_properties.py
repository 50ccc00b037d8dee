"""Properties that hold for every distribution of the number of occurring events, checked with
Hypothesis on random ones: the moments are made exactly from the distribution, so the truth is
known and must lie between the bounds."""

from fractions import Fraction
from math import comb

import pytest

hypothesis = pytest.importorskip("hypothesis")
from hypothesis import given, settings, strategies as st  # noqa: E402

import unionbound  # noqa: E402

# No example database: the tests run from the build folder, which they should not write to. No
# deadline: a loaded machine (ctest -j, the sanitizer stage beside) is no fault of the code.
checked = settings(database=None, deadline=None, max_examples=150)


@st.composite
def distributions(draw, max_n=20):
    """(n, p, m): p the distribution of the number of occurring events on 0 .. n, in exact
    Fractions, often with zeros (mass on few points is where the walks meet degenerate bases),
    and an order m from 1 to n."""
    n = draw(st.integers(1, max_n))
    weights = draw(st.lists(st.integers(0, 12) | st.just(0), min_size=n + 1, max_size=n + 1)
                   .filter(any))
    total = sum(weights)
    return n, [Fraction(w, total) for w in weights], draw(st.integers(1, n))


def binomial_moments(p, m):
    """S_k = sum_j C(j, k) p_j, the expected number of k-sets of occurring events."""
    return [sum(comb(j, k) * pj for j, pj in enumerate(p)) for k in range(1, m + 1)]


def at_least(p, r):
    return sum(p[r:])


def check_attained(bound, moments, probability_of):
    """The bound's extreme distribution is a distribution, has the given moments and gives
    the probability the bound says: the bound is attained, so none could be tighter."""
    q = dict(zip(bound.basis, bound.solution))
    assert all(x >= 0 for x in q.values()) and sum(q.values()) == 1
    assert [sum(comb(j, k) * x for j, x in q.items()) for k in range(1, len(moments) + 1)] == (
        moments)
    assert probability_of(q) == bound.value


@checked
@given(distributions())
def test_both_bounds_exist_and_bracket_the_union(case):
    n, p, m = case
    moments = binomial_moments(p, m)
    r = unionbound.sharp_bounds(n, moments, exact=True)
    assert (r.success, r.status, r.lower.status, r.upper.status) == (
        True, 0, "optimal", "optimal")
    assert r.lower.value <= at_least(p, 1) <= r.upper.value
    for bound in (r.lower, r.upper):
        check_attained(bound, moments, lambda q: sum(x for j, x in q.items() if j >= 1))


@checked
@given(distributions())
def test_at_least_one_is_the_union(case):
    n, p, m = case
    moments = binomial_moments(p, m)
    union = unionbound.sharp_bounds(n, moments, exact=True)
    one = unionbound.sharp_bounds(n, moments, exact=True, at_least=1)
    # The same values, from another solver; the extreme distributions may differ where several
    # attain the bound (half on 1 and half on 4 events, say), so only the values are compared.
    for mine, its in ((one.lower, union.lower), (one.upper, union.upper)):
        assert (mine.value, mine.fraction, mine.status) == (its.value, its.fraction, its.status)


@checked
@given(distributions(), st.data())
def test_at_least_and_exactly_r_are_bracketed(case, data):
    n, p, m = case
    r = data.draw(st.integers(1, n), label="r")
    moments = binomial_moments(p, m)
    least = unionbound.sharp_bounds(n, moments, exact=True, at_least=r)
    assert least.success and least.lower.value <= at_least(p, r) <= least.upper.value
    for bound in (least.lower, least.upper):
        check_attained(bound, moments, lambda q: sum(x for j, x in q.items() if j >= r))
    exactly = unionbound.sharp_bounds(n, moments, exact=True, exactly=r)
    assert exactly.success and exactly.lower.value <= p[r] <= exactly.upper.value
    for bound in (exactly.lower, exactly.upper):
        check_attained(bound, moments, lambda q: q.get(r, 0))


@checked
@given(distributions())
def test_bounds_by_order_narrow(case):
    n, p, m = case
    moments = binomial_moments(p, m)
    rows = unionbound.by_order(n, moments, exact=True)
    assert [row.k for row in rows] == list(range(1, m + 1))
    for row in rows:
        assert row.status == "optimal"
        assert row.lower.value <= at_least(p, 1) <= row.upper.value
    # A further moment only adds a constraint: each interval holds the next.
    for wider, narrower in zip(rows, rows[1:]):
        assert wider.lower.value <= narrower.lower.value
        assert narrower.upper.value <= wider.upper.value
    whole = unionbound.sharp_bounds(n, moments, exact=True)
    assert (rows[-1].lower.value, rows[-1].upper.value) == (whole.lower.value, whole.upper.value)
