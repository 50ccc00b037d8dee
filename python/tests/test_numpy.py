"""numpy's arrays and scalars where the module takes sequences and numbers; skipped where numpy
is not installed, which the module does not need."""

from fractions import Fraction

import pytest

np = pytest.importorskip("numpy")

import unionbound  # noqa: E402

# Each array against the list it stands for: the same moments, to the last digit.
ARRAYS = [
    (np.array([1.5, 0.75]), [1.5, 0.75]),
    (np.array([0.1, 0.001]), [0.1, 0.001]),  # float64 by its shortest repr, as a float is
    (np.array([2, 1]), [2, 1]),
    (np.array([2, 1], dtype=np.int8), [2, 1]),
    (np.array([1.5, 0.1], dtype=np.float32), ["1.5", "0.1"]),  # float32's own shortest decimal
    (np.array([Fraction(3, 2), Fraction(3, 4)], dtype=object), ["3/2", "3/4"]),
    (np.array(["3/2", "0.75"]), ["3/2", "0.75"]),
    ((np.float64(1.5), np.int64(1)), [1.5, 1]),
    (np.linspace(1.5, 0.75, 2), [1.5, 0.75]),
]


@pytest.mark.parametrize("array, plain", ARRAYS)
def test_an_array_gives_what_the_list_gives(array, plain):
    from_array = unionbound.sharp_bounds(3, array, exact=True)
    from_list = unionbound.sharp_bounds(3, plain, exact=True)
    assert from_array.S_fractions == from_list.S_fractions
    assert repr(from_array) == repr(from_list)


def test_the_readme_line():
    rows = unionbound.by_order(n=10, moments=np.array([2, 1.8, 0.96, 0.336]))
    assert repr(rows[2]) == "OrderRow(k=3, lower=0.776, upper=0.98, status='optimal')"


def test_numpy_integers_stand_for_ints():
    r = unionbound.sharp_bounds(np.int64(10), np.array([2, 1.8, 0.96, 0.336]),
                                at_least=np.int32(3))
    assert (r.lower.value, r.upper.value) == (0.1824, 0.496)
    rows = unionbound.by_order(np.uint16(10), [2, 1.8], exactly=np.int8(2))
    assert [row.k for row in rows] == [1, 2]


def test_numpy_integers_stand_for_ints_with_a_file(tmp_path):
    path = tmp_path / "prob.txt"
    path.write_text("0.5 0.5 0.5\n0.25 0.25 0.25\n")
    assert unionbound.moments_from_file(path, n=np.int64(3), m=np.int32(2)) == [1.5, 0.75]
    assert unionbound.sharp_bounds(np.int64(3), file=path, m=np.int64(2)).lower.value == 0.75


REFUSALS = [
    (dict(n=3, moments=np.array([[1.5, 0.75]])), TypeError,
     'moments[0] must be a number or a string such as "3/4", not ndarray'),
    (dict(n=3, moments=np.array(1.5)), TypeError,
     "moments must be a sequence of numbers, not ndarray"),
    (dict(n=3, moments=np.array([True, False])), TypeError,
     'moments[0] must be a number or a string such as "3/4", not bool_'),
    (dict(n=3, moments=np.array([1.5, np.nan])), ValueError,
     'moments[1]: "nan" is not a decimal number or a fraction, with powers of ten up to '
     "10^100000"),
    (dict(n=np.float64(3), moments=[1]), TypeError, "n must be an int, not float64"),
    (dict(n=np.int64(-1), moments=[1]), ValueError,
     "n must be a whole number from 0 to 2147483647, not -1"),
    (dict(n=3, moments=[1], at_least=np.int64(4)), ValueError,
     "at_least must be a whole number from 1 to n=3, not 4"),
]


@pytest.mark.parametrize("arguments, error, message", REFUSALS)
def test_unusable_arrays_and_scalars_raise_as_lists_and_ints_do(arguments, error, message):
    with pytest.raises(error) as refusal:
        unionbound.sharp_bounds(**arguments)
    assert type(refusal.value) is error
    assert str(refusal.value) == message
