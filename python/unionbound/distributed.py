"""The sharp bounds of a probability file too large for one process, with Dask: the file is cut
into byte ranges, each range counted and then summed exactly on a worker, the sums merged on the
client, and the bounds solved from them, the same bounds as one run on the whole file.

    >>> from distributed import Client
    >>> client = Client("tcp://scheduler:8786")
    >>> unionbound.distributed.bounds("/shared/prob.txt", n=1000, m=3, client=client)

Every worker must reach the files by the paths given (a shared file system). Without a client,
Dask's local scheduler sums the parts on this machine's threads.
"""

import os
from collections.abc import Mapping
from typing import Any, List, Optional, Tuple, Union

try:
    import dask
except ImportError:  # pragma: no cover - depends on the machine
    raise ImportError(
        "unionbound.distributed needs Dask: install the distribution's python3-distributed "
        "(Debian, Ubuntu) or run 'pip install distributed'"
    ) from None

from . import Bounds, PartialSums, _readable, _whole, count_numbers, merge_sums, sharp_bounds, sum_part

__all__ = ["bounds", "plan", "partial_sums"]

_Path = Union[str, bytes, "os.PathLike[str]"]
# One range of one file: path, order (0 for a whole prob.txt), first byte, end byte.
_Range = Tuple[str, int, int, int]


def plan(paths: Any, parts_per_file: int = 8) -> List[_Range]:
    """The byte ranges to sum: each file cut into `parts_per_file` ranges of nearly equal size.

    `paths` is one path (a whole prob.txt, every order in turn), or a mapping from an order k
    to the path, or list of paths, of files that hold the numbers of order k only.
    """
    parts_per_file = _whole("parts_per_file", parts_per_file, 1, 2**20)
    if isinstance(paths, Mapping):
        files = []
        for order, chosen in sorted(paths.items()):
            order = _whole("order", order, 1)
            many = [chosen] if isinstance(chosen, (str, bytes, os.PathLike)) else list(chosen)
            files.extend((_readable(path), order) for path in many)
    else:
        files = [(_readable(paths), 0)]
    ranges = []
    for path, order in files:
        size = os.path.getsize(path)
        cuts = [size * k // parts_per_file for k in range(parts_per_file + 1)]
        ranges.extend((path, order, cuts[k], cuts[k + 1]) for k in range(parts_per_file))
    return ranges


def _count(piece: _Range) -> int:
    path, _, start, end = piece
    return count_numbers(path, start, end)


def _sum(piece: _Range, n: int, m: int, first_index: int) -> str:
    path, order, start, end = piece
    return sum_part(path, n, m, start=start, end=end, first_index=first_index,
                    order=order).to_json()


def _first_indices(ranges: List[_Range], counts: List[int]) -> List[int]:
    """Each range's first index: the running total of the counts before it in its file."""
    firsts = []
    running = {}
    for (path, order, _, _), count in zip(ranges, counts):
        key = (path, order)
        firsts.append(running.get(key, 0))
        running[key] = running.get(key, 0) + count
    return firsts


def partial_sums(paths: Any, n: int, m: int, client: Optional[Any] = None,
                 parts_per_file: int = 8) -> PartialSums:
    """The merged exact sums of every range of `plan(paths, parts_per_file)`: the ranges counted
    and then summed on the workers of `client` (a dask.distributed Client), or on Dask's local
    scheduler when it is None; only the sums, a line of JSON each, come back."""
    n = _whole("n", n)
    m = _whole("m", m)
    ranges = plan(paths, parts_per_file)
    if client is None:
        counts = list(dask.compute(*[dask.delayed(_count)(piece) for piece in ranges]))
        firsts = _first_indices(ranges, counts)
        lines = dask.compute(*[dask.delayed(_sum)(piece, n, m, first)
                               for piece, first in zip(ranges, firsts)])
    else:
        counts = client.gather(client.map(_count, ranges, pure=False))
        firsts = _first_indices(ranges, counts)
        lines = client.gather(client.map(_sum, ranges, [n] * len(ranges), [m] * len(ranges),
                                         firsts, pure=False))
    return merge_sums(PartialSums.from_json(line) for line in lines)


def bounds(paths: Any, n: int, m: int, client: Optional[Any] = None, parts_per_file: int = 8,
           **question: Any) -> Bounds:
    """The sharp bounds from a file (or files of one order each) summed in parts on a Dask
    cluster: `partial_sums`, then `unionbound.sharp_bounds(n, sums=...)` on the client.

    Parameters
    ----------
    paths : str, os.PathLike or mapping
        A whole prob.txt, or a mapping from an order k to the file or files of its numbers.
    n, m : int
        The number of events and the largest order.
    client : dask.distributed.Client, optional
        Where the parts are summed; Dask's local scheduler when None.
    parts_per_file : int, default 8
        How many byte ranges each file is cut into.
    **question
        What `unionbound.sharp_bounds` takes besides: at_least, exactly, exact, by_order,
        classical.

    Returns
    -------
    Bounds
        The bounds that one run on the whole file gives.
    """
    sums = partial_sums(paths, n, m, client, parts_per_file)
    return sharp_bounds(n, sums=sums, **question)
