"""The partial sums side by side in one run, on one file:

- the single run (`unionbound-batch --prob`, the reader on every core) beside the Dask pipeline
  (`unionbound.distributed.bounds`) on a local cluster of two worker processes;
- the counting pass over the whole file beside the summing pass over the whole file, each one
  process of `unionbound-batch` (--count and --partial).

    PYTHONPATH=build-tests/python python3 bench/distributed_bench.py \\
        build-tests/apps/unionbound-batch/unionbound-batch FILE N M [PARTS]

Each figure is the best of three runs, in seconds of wall-clock time; the bounds of the two
pipelines are checked to be the same fractions.
"""

import json
import subprocess
import sys
import time
import warnings


def best_of_three(run):
    times, result = [], None
    for _ in range(3):
        start = time.perf_counter()
        result = run()
        times.append(time.perf_counter() - start)
    return min(times), result


def main():
    batch, path, n, m = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
    parts = int(sys.argv[5]) if len(sys.argv) > 5 else 16
    warnings.simplefilter("ignore")
    from distributed import Client, LocalCluster

    import unionbound.distributed

    def batch_json(*arguments):
        run = subprocess.run([batch, *arguments], capture_output=True, text=True, check=True)
        return run.stdout

    single, report = best_of_three(
        lambda: json.loads(batch_json("--n", str(n), "--m", str(m), "--prob", path, "--json")))
    with LocalCluster(n_workers=2, threads_per_worker=1, processes=True, host="127.0.0.1",
                      dashboard_address=None) as cluster, Client(cluster) as client:
        dask_time, bounds = best_of_three(lambda: unionbound.distributed.bounds(
            path, n, m, client=client, parts_per_file=parts))
    assert bounds.lower.fraction == report["lower"]["fraction"]
    assert bounds.upper.fraction == report["upper"]["fraction"]
    counting, count = best_of_three(lambda: batch_json("--prob", path, "--count"))
    summing, _ = best_of_three(
        lambda: batch_json("--n", str(n), "--m", str(m), "--prob", path, "--partial"))

    print(f"{int(count):,} numbers in {path}")
    print("| run | seconds |")
    print("|---|---|")
    print(f"| single run, `unionbound-batch --prob` (reader on every core) | {single:.2f} |")
    print(f"| Dask pipeline, 2 local worker processes, {parts} parts | {dask_time:.2f} |")
    print(f"| counting pass, whole file, one process (`--count`) | {counting:.2f} |")
    print(f"| summing pass, whole file, one process (`--partial`) | {summing:.2f} |")


if __name__ == "__main__":
    main()
