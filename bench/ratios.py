#!/usr/bin/env python3
"""Speed of "marrowdale classify" as ratios to the floor, the least any program must do for the same result.

One corpus (gen-corpus.py: pages named after Debian package descriptions, each with one keyword) is copied
afresh for each side of each round and synced; the floor (floor.c) and the program then file their own copy,
timed as whole processes. Best of the rounds for each side, reported as program / floor:

  names only   --names-only
  facts cold   page titles and addresses read, empty cache
  facts warm   the same after a --dry-run on the same copy filled the cache
  window       the window's Classify (bench_window: the real main window, offscreen), from the button's press
               until the last move is shown in the log

Usage: ratios.py BUILD_DIR [--files N] [--keywords N] [--rounds N] [--work DIR]
"""
import argparse, os, shutil, subprocess, sys, tempfile, time

here = os.path.dirname(os.path.abspath(__file__))
parser = argparse.ArgumentParser()
parser.add_argument('build')
parser.add_argument('--files', type=int, default=10000)
parser.add_argument('--keywords', type=int, default=2000)
parser.add_argument('--rounds', type=int, default=5)
parser.add_argument('--work', help='a folder on the disk to measure (default: beside the build)')
args = parser.parse_args()

program = os.path.join(os.path.abspath(args.build), 'src', 'marrowdale')
work = tempfile.mkdtemp(prefix='marrowdale-bench-', dir=args.work or os.path.abspath(args.build))
corpus = os.path.join(work, 'corpus')
floor = os.path.join(work, 'floor-program')
subprocess.run(['gcc', '-O2', '-o', floor, os.path.join(here, 'floor.c')], check=True)
subprocess.run([sys.executable, os.path.join(here, 'gen-corpus.py'), corpus, str(args.files), str(args.keywords)],
               check=True)


copies = 0


def fresh_copy():
    """A copy of the corpus of its own. None is removed before the end: removing thousands of folders slows the
    next mkdirs for a while, which would favour whichever side came first."""
    global copies
    copies += 1
    copy = os.path.join(work, f'copy{copies}')
    subprocess.run(['cp', '-a', corpus, copy], check=True)
    for folder in ('config', 'state', 'cache'):
        os.makedirs(os.path.join(copy, folder))
    return copy


def classify(copy, *extra):
    environment = dict(os.environ, XDG_CONFIG_HOME=os.path.join(copy, 'config'),
                       XDG_STATE_HOME=os.path.join(copy, 'state'), XDG_CACHE_HOME=os.path.join(copy, 'cache'))
    for name in ('DISPLAY', 'WAYLAND_DISPLAY'):
        environment.pop(name, None)
    command = [program, 'classify', os.path.join(copy, 'src'), '--list', os.path.join(copy, 'list.dat'),
               '--root', os.path.join(copy, 'Sorted'), *extra]
    started = time.monotonic()
    result = subprocess.run(command, env=environment, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    elapsed = time.monotonic() - started
    if result.returncode not in (0, 1):
        sys.exit('marrowdale classify failed: ' + result.stderr)
    return elapsed


def timed_floor(copy):
    started = time.monotonic()
    subprocess.run([floor, os.path.join(copy, 'src'), os.path.join(copy, 'Sorted')], check=True,
                   stdout=subprocess.DEVNULL)
    return time.monotonic() - started


def left_in(copy):
    return len(os.listdir(os.path.join(copy, 'src')))


def timed_window(copy):
    environment = dict(os.environ, XDG_CONFIG_HOME=os.path.join(copy, 'config'),
                       XDG_STATE_HOME=os.path.join(copy, 'state'), XDG_CACHE_HOME=os.path.join(copy, 'cache'))
    result = subprocess.run([os.path.join(os.path.abspath(args.build), 'bench', 'bench_window'), copy], env=environment,
                            capture_output=True, text=True)
    if result.returncode != 0:
        sys.exit('bench_window failed: ' + result.stderr)
    return float(result.stdout.split()[-1])


def measured(side, copy):
    if side == 'floor':
        return timed_floor(copy)
    if side == 'window':
        return timed_window(copy)
    if side == 'names only':
        return classify(copy, '--names-only')
    return classify(copy)


best = {}
sides = ('floor', 'names only', 'facts cold', 'facts warm', 'window')
try:
    for round_number in range(args.rounds):
        times = {}
        for side in sides:
            copy = fresh_copy()
            if side == 'facts warm':
                classify(copy, '--dry-run')
            subprocess.run(['sync'])
            times[side] = measured(side, copy)
            if left_in(copy):
                sys.exit(f'{side}: {left_in(copy)} files were not filed')
            best[side] = min(best.get(side, times[side]), times[side])
        print(f'round {round_number + 1}: ' + ', '.join(f'{side} {seconds:.3f} s' for side, seconds in times.items()),
              flush=True)
finally:
    shutil.rmtree(work, ignore_errors=True)

print(f'{args.files} pages x {args.keywords} keywords, best of {args.rounds}; floor {best["floor"]:.3f} s')
targets = {'names only': None, 'facts cold': 2.5, 'facts warm': 2.0, 'window': 2.0}
for side, target in targets.items():
    ratio = best[side] / best['floor']
    verdict = '' if target is None else f'  (target <= {target}: {"met" if ratio <= target else "MISSED"})'
    print(f'  {side:<11} {best[side]:.3f} s  = {ratio:.2f} x floor{verdict}')
