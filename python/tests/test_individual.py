"""The bounds from every intersection given, from a mapping of subsets to probabilities: the
same fractions as the batch program's --individual on the same file, inside the sharp bounds
and around the union of the distribution that made the data, and the refusals of mappings that
are not one probability for each subset."""

import json
import os
import random
import subprocess
from fractions import Fraction
from itertools import combinations

import pytest

import unionbound

BATCH = os.environ.get("UNIONBOUND_BATCH", "")


def random_system(n, atoms, seed):
    """Weights on a few of the 2**n atoms (bit i is event i + 1), as Fractions summing to 1."""
    rng = random.Random(seed)
    weights = {}
    for _ in range(atoms):
        atom = rng.randrange(2 ** n)
        weights[atom] = weights.get(atom, 0) + rng.randint(1, 20)
    total = sum(weights.values())
    return {atom: Fraction(w, total) for atom, w in weights.items()}


def intersections_of(system, n, m):
    given = {}
    for k in range(1, m + 1):
        for subset in combinations(range(1, n + 1), k):
            mask = sum(1 << (e - 1) for e in subset)
            given[subset] = sum((p for atom, p in system.items() if atom & mask == mask),
                                Fraction(0))
    return given


@pytest.mark.parametrize("n,m,atoms,seed", [(3, 1, 4, 1), (4, 2, 6, 2), (6, 2, 12, 3),
                                            (6, 3, 20, 4), (5, 5, 9, 5)])
def test_inside_the_sharp_bounds_around_the_truth(n, m, atoms, seed):
    system = random_system(n, atoms, seed)
    truth = sum((p for atom, p in system.items() if atom != 0), Fraction(0))
    result = unionbound.sharp_bounds(n, intersections=intersections_of(system, n, m),
                                     individual=True, exact=True)
    assert result.success, result.message
    interval = result.individual
    assert interval.lower.status == interval.upper.status == "optimal"
    assert result.lower.value <= interval.lower.value <= truth <= interval.upper.value
    assert interval.upper.value <= result.upper.value
    assert interval.lower.atoms > 0
    if m >= n:
        assert interval.lower.value == interval.upper.value == truth


def test_the_same_fractions_as_the_batch_program(tmp_path):
    if not BATCH:
        pytest.skip("UNIONBOUND_BATCH names no batch program")
    n, m = 6, 2
    given = intersections_of(random_system(n, 15, 7), n, m)
    # The file holds the fractions as the batch program's exact decimals cannot: write them as
    # decimals with enough digits for these denominators, and give Python the same strings.
    as_text = {subset: f"{float(p):.17g}" for subset, p in given.items()}
    path = tmp_path / "prob.txt"
    path.write_text(" ".join(as_text[s] for k in range(1, m + 1)
                             for s in combinations(range(1, n + 1), k)) + "\n")
    run = subprocess.run([BATCH, "--json", "--individual", "--n", str(n), "--m", str(m),
                          "--prob", str(path), "--at-least", "2"],
                         capture_output=True, text=True)
    assert run.returncode == 0, run.stderr
    batch = json.loads(run.stdout)["individual"]
    result = unionbound.sharp_bounds(n, intersections=as_text, individual=True, at_least=2)
    from_file = unionbound.sharp_bounds(n, file=path, m=m, individual=True, at_least=2)
    for side in ("lower", "upper"):
        ours = getattr(result.individual, side)
        assert ours.fraction == batch[side]["fraction"]
        assert ours.value == batch[side]["value"]
        assert ours.atoms == batch[side]["atoms"]
        assert getattr(from_file.individual, side).fraction == ours.fraction


def test_intersections_that_fit_no_distribution_name_the_events():
    given = {(1,): 0.5, (2,): 0.2, (3,): 0.5, (1, 2): 0.25, (1, 3): 0.05, (2, 3): 0}
    result = unionbound.sharp_bounds(3, intersections=given, individual=True)
    assert result.lower.value is not None  # the sums alone fit a distribution
    assert not result.success and result.status == 1
    assert result.individual.lower.value is None
    assert result.individual.no_distribution_reason == (
        "the probabilities given for events 1 and 2 fit no distribution: the probability that "
        "event 2 occurs and event 1 does not would be -0.05")
    assert result.message.endswith(result.individual.no_distribution_reason)


def test_without_individual_the_sums_alone():
    given = {(1,): "1/2", (2,): "1/2", (1, 2): "1/4"}
    result = unionbound.sharp_bounds(2, intersections=given, exact=True)
    assert result.individual is None
    assert result.S == [1, 1, Fraction(1, 4)]


@pytest.mark.parametrize("given,error,words", [
    ({(1,): 0.5, (2,): 0.5, (1, 2): 0.1}, ValueError, r"\(3,\) is missing"),
    ({(1,): 0.5, (2,): 0.5, (3,): 0.5, (4,): 0.1}, ValueError, "event 4"),
    ({(0,): 0.5}, ValueError, "event 0"),
    ({(1, 1): 0.5}, ValueError, "twice"),
    ({(1,): 0.5, (2,): 0.5, (3,): 0.5, (2, 1): 0.2, (1, 2): 0.2}, ValueError, "given twice"),
    ({1: 0.5}, TypeError, "tuple"),
    ({("a",): 0.5}, TypeError, "event number"),
    ([0.5], TypeError, "mapping"),
    ({(1,): "x", (2,): 0.5, (3,): 0.5}, ValueError, "not a decimal number"),
])
def test_refuses_what_is_not_one_probability_a_subset(given, error, words):
    with pytest.raises(error, match=words):
        unionbound.sharp_bounds(3, intersections=given, individual=True)


def test_individual_needs_the_intersections():
    with pytest.raises(ValueError, match="intersections themselves"):
        unionbound.sharp_bounds(3, [1.5, 0.75], individual=True)
    with pytest.raises(ValueError, match="go alone"):
        unionbound.sharp_bounds(3, [1.5], intersections={(1,): 0.5})
    with pytest.raises(ValueError, match="up to 20"):
        unionbound.sharp_bounds(21, intersections={(i,): 0.01 for i in range(1, 22)},
                                individual=True)
