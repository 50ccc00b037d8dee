"""Partial sums in Python: parts of a file summed apart and merged give the whole file's bounds,
they pickle and travel as JSON, faults are ValueErrors naming the range, and the Dask pipeline
on a local cluster of two worker processes gives the single run's bounds."""

import itertools
import os
import pathlib
import pickle
import random
import re
import shutil
import subprocess
import sys

import pytest

import unionbound


def write_events_file(path, n, m, extra=0, seed=1):
    """The intersections of up to m of n random events on 40 equally likely points, in the
    file's order, each a multiple of 1/40 in one of two spellings, and `extra` zeros more."""
    rng = random.Random(seed)
    events = [rng.getrandbits(40) for _ in range(n)]
    counts = []
    for k in range(1, m + 1):
        for subset in itertools.combinations(range(n), k):
            points = (1 << 40) - 1
            for i in subset:
                points &= events[i]
            counts.append(bin(points).count("1"))
    counts += [0] * extra
    words = [repr(c / 40) if rng.random() < 0.5 else f"{c * 25}e-3" for c in counts]
    text = "".join(word + rng.choice([" ", "\n", "\t", "  "]) for word in words)
    path.write_text(text)
    return words


def cut(path, pieces, rng):
    size = path.stat().st_size
    cuts = sorted([0, size] + [rng.randint(0, size) for _ in range(pieces - 1)])
    parts, first = [], 0
    for start, end in zip(cuts, cuts[1:]):
        parts.append(unionbound.sum_part(path, 9, 3, start=start, end=end, first_index=first))
        first += unionbound.count_numbers(path, start, end)
    return parts


@pytest.mark.parametrize("pieces", [1, 2, 7, 64])
def test_parts_merged_in_any_order_give_the_whole_files_bounds(tmp_path, pieces):
    path = tmp_path / "prob.txt"
    write_events_file(path, 9, 3)
    rng = random.Random(pieces)
    parts = cut(path, pieces, rng)
    rng.shuffle(parts)
    merged = unionbound.merge_sums(parts)
    assert merged == unionbound.merge_sums(reversed(parts))
    for question in [{}, {"at_least": 2}, {"exactly": 1, "by_order": True}]:
        whole = unionbound.sharp_bounds(9, file=path, m=3, exact=True, **question)
        from_sums = unionbound.sharp_bounds(9, sums=merged, exact=True, **question)
        assert from_sums.S == whole.S
        assert from_sums.lower.value == whole.lower.value
        assert from_sums.upper.value == whole.upper.value
        assert [(r.lower.value, r.upper.value) for r in from_sums.by_order] == [
            (r.lower.value, r.upper.value) for r in whole.by_order]
    assert merged.sums == unionbound.moments_from_file(path, 9, 3, exact=True)


def test_sums_pickle_and_round_trip_through_json(tmp_path):
    path = tmp_path / "prob.txt"
    write_events_file(path, 9, 3)
    part = unionbound.sum_part(path, 9, 3, end=100)
    assert pickle.loads(pickle.dumps(part)) == part
    assert unionbound.PartialSums.from_json(part.to_json()) == part
    assert hash(unionbound.PartialSums.from_json(part.to_json())) == hash(part)
    assert "\n" not in part.to_json()
    assert part.files[0]["pieces"][0]["bytes"] == [0, 100]


def test_faults_are_value_errors_naming_the_range(tmp_path):
    path = tmp_path / "prob.txt"
    path.write_text("0.5 0.5 0.5 0.25 0.25 0.25\n")
    first = unionbound.sum_part(path, 3, 2, end=9)
    second = unionbound.sum_part(path, 3, 2, start=9, first_index=3)
    with pytest.raises(ValueError, match=r"bytes 9 to 26 of .* are in no part$"):
        unionbound.sharp_bounds(3, sums=first)
    with pytest.raises(ValueError, match="are in two parts"):
        first + second + first
    with pytest.raises(ValueError, match="the sums are for n=3, not n=4"):
        unionbound.sharp_bounds(4, sums=first + second)
    with pytest.raises(ValueError, match="not JSON"):
        unionbound.PartialSums.from_json("{")
    with pytest.raises(TypeError):
        unionbound.sharp_bounds(3, sums=first.to_json())
    with pytest.raises(ValueError, match="sums go alone"):
        unionbound.sharp_bounds(3, [1.5], sums=first + second)
    (tmp_path / "bad.txt").write_text("0.5 0,5 0.5")
    with pytest.raises(ValueError, match=r"the word at byte 4, \"0,5\", is not one number"):
        unionbound.sum_part(tmp_path / "bad.txt", 3, 1)
    with pytest.raises(FileNotFoundError):
        unionbound.count_numbers(tmp_path / "none.txt")


def test_files_of_one_order_each(tmp_path):
    distributed = pytest.importorskip("unionbound.distributed")
    words = write_events_file(tmp_path / "prob.txt", 9, 3)
    files, start = {}, 0
    for k, size in [(1, 9), (2, 36), (3, 84)]:
        numbers, start = words[start:start + size], start + size
        # Order 2 in two files, the others in one.
        halves = [numbers[:size // 2], numbers[size // 2:]] if k == 2 else [numbers]
        files[k] = []
        for h, half in enumerate(halves):
            files[k].append(tmp_path / f"order{k}-{h}.txt")
            files[k][-1].write_text(" ".join(half) + "\n")
    sums = distributed.partial_sums(files, 9, 3, parts_per_file=3)
    assert sums.sums == unionbound.moments_from_file(tmp_path / "prob.txt", 9, 3, exact=True)
    files[2].pop()
    with pytest.raises(ValueError, match="the files of order 2 hold 18 numbers, but 9 events "
                                         "have 36 intersections of 2"):
        distributed.bounds(files, 9, 3, parts_per_file=2)


def test_dask_local_scheduler_without_a_client(tmp_path):
    distributed = pytest.importorskip("unionbound.distributed")
    path = tmp_path / "prob.txt"
    write_events_file(path, 9, 3, extra=2)
    result = distributed.bounds(path, 9, 3, parts_per_file=5, exact=True)
    whole = unionbound.sharp_bounds(9, file=path, m=3, exact=True)
    assert (result.lower.value, result.upper.value) == (whole.lower.value, whole.upper.value)
    assert result.notes == whole.notes  # the excess numbers are said alike


# Dask's tornado says make_current is deprecated when the cluster starts.
@pytest.mark.filterwarnings("ignore::DeprecationWarning")
def test_dask_cluster_of_two_worker_processes(tmp_path):
    pytest.importorskip("distributed")
    from distributed import Client, LocalCluster

    import unionbound.distributed

    path = tmp_path / "prob.txt"
    write_events_file(path, 9, 3, seed=5)
    with LocalCluster(n_workers=2, threads_per_worker=1, processes=True, host="127.0.0.1",
                      dashboard_address=None) as cluster, Client(cluster) as client:
        result = unionbound.distributed.bounds(path, 9, 3, client=client, parts_per_file=16,
                                               exact=True, by_order=True)
    whole = unionbound.sharp_bounds(9, file=path, m=3, exact=True, by_order=True)
    assert result.S == whole.S
    assert (result.lower.value, result.upper.value) == (whole.lower.value, whole.upper.value)
    assert [(r.lower.value, r.upper.value) for r in result.by_order] == [
        (r.lower.value, r.upper.value) for r in whole.by_order]


def readme_blocks(language):
    """The code blocks of the README's section on more than one machine."""
    readme = (pathlib.Path(__file__).parents[2] / "README.md").read_text()
    section = readme[readme.index("## More than one machine"):]
    section = section[:section.index("\n## ", 1)]
    return re.findall(r"```" + language + r"\n(.*?)```", section, re.S)


def test_the_readmes_shell_recipe_answers_as_the_whole_file(tmp_path):
    batch = os.environ.get("UNIONBOUND_BATCH", "")
    if not batch:
        pytest.skip("UNIONBOUND_BATCH names no batch program")
    (tmp_path / "examples").mkdir()
    shutil.copy(pathlib.Path(__file__).parents[2] / "examples" / "prob.txt", tmp_path / "examples")
    [recipe] = readme_blocks("sh")
    recipe = recipe.replace("B=build/apps/unionbound-batch/unionbound-batch", f"B='{batch}'")
    run = subprocess.run(["bash", "-euo", "pipefail", "-c", recipe], cwd=tmp_path,
                         capture_output=True, text=True)
    whole = subprocess.run([batch, "--n", "3", "--m", "2", "--prob", "examples/prob.txt",
                            "--exact"], cwd=tmp_path, capture_output=True, text=True)
    assert run.returncode == 0, run.stderr
    assert len(list(tmp_path.glob("part-*.json"))) == 4
    times = re.compile(r"changes, [0-9.e+-]+ s")
    assert times.sub("", run.stdout) == times.sub("", whole.stdout)


@pytest.mark.filterwarnings("ignore::DeprecationWarning")
def test_the_readmes_dask_example_prints_what_it_says(tmp_path):
    pytest.importorskip("distributed")
    (tmp_path / "examples").mkdir()
    shutil.copy(pathlib.Path(__file__).parents[2] / "examples" / "prob.txt", tmp_path / "examples")
    [script] = readme_blocks("python")
    (tmp_path / "example.py").write_text(script)
    package = str(pathlib.Path(unionbound.__file__).resolve().parents[1])
    environment = dict(os.environ, PYTHONWARNINGS="ignore",
                       PYTHONPATH=os.pathsep.join([package, os.environ.get("PYTHONPATH", "")]))
    run = subprocess.run([sys.executable, "example.py"], cwd=tmp_path, capture_output=True,
                         text=True, env=environment)
    assert run.returncode == 0, run.stderr
    expected = script.split("# ")[-1].strip()
    assert run.stdout.strip() == expected
