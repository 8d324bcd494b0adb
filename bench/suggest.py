#!/usr/bin/env python3
"""How well and how fast suggestions work, on real text that ships with Debian.

The archive: package short descriptions (apt-cache dumpavail) as pages' titles and names, filed into folders
named after the packages' sections (about 58); 19,000 filed, 1,000 held out in the source folder. Reports:

  accuracy   top-1 and top-3 of the held-out pages (targets 0.70 and 0.85), from classify --suggest --json,
             for each of three samples (one held-out thousand varies by a point or two) and their mean
  warm       classify --dry-run --suggest with a warm cache, to the same without --suggest (target <= 2), with
             the 2,000-line keyword list of the standard corpus (which has no line for these pages)
  cold       the first build of the index, to reading every archived page's head once (target <= 2)

Usage: suggest.py BUILD_DIR [--filed N] [--held N] [--seeds N,N,..] [--rounds N] [--work DIR] [--keep]
"""
import argparse, html, json, os, random, shutil, subprocess, sys, tempfile, time

parser = argparse.ArgumentParser()
parser.add_argument('build')
parser.add_argument('--filed', type=int, default=19000)
parser.add_argument('--held', type=int, default=1000)
parser.add_argument('--seeds', default='11,12,13', help='one sample of the packages for each')
parser.add_argument('--rounds', type=int, default=5)
parser.add_argument('--work', help='a folder on the disk to measure (default: beside the build)')
parser.add_argument('--keep', action='store_true', help='keeps the archive, to look into it')
args = parser.parse_args()

build = os.path.abspath(args.build)
program = os.path.join(build, 'src', 'marrowdale')
cold_tool = os.path.join(build, 'bench', 'bench_suggestcold')

packages, current = [], {}
for line in subprocess.run(['apt-cache', 'dumpavail'], capture_output=True, text=True).stdout.splitlines():
    if not line:
        if current:
            packages.append(current)
        current = {}
    elif line[0] not in ' \t':
        key, _, value = line.partition(': ')
        if key in ('Package', 'Section', 'Description'):
            current[key] = value
if current:
    packages.append(current)
items = sorted({(p['Description'].strip(), p['Section'].split('/')[-1]) for p in packages
                if p.get('Description') and p.get('Section')})
seeds = [int(seed) for seed in args.seeds.split(',')]


def save_page(folder, title):
    """A page as a browser saves it: named after its title, the title in its head."""
    stem = ''.join('-' if c in '/\0' else c for c in title)[:80].strip().lstrip('.') or 'page'
    name, n = stem + '.html', 1
    while os.path.exists(os.path.join(folder, name)):
        n += 1
        name = f'{stem} ({n}).html'
    with open(os.path.join(folder, name), 'w', encoding='utf-8') as f:
        f.write(f'<!DOCTYPE html>\n<html><head><meta charset="utf-8"><title>{html.escape(title)}</title></head>'
                '<body></body></html>\n')
    return name


def drop_caches():
    """A first use meets pages that are not in memory: the kernel is asked to forget them (root only)."""
    subprocess.run(['sync'])
    try:
        with open('/proc/sys/vm/drop_caches', 'w') as f:
            f.write('3\n')
        return True
    except OSError:
        return False


work = tempfile.mkdtemp(prefix='marrowdale-suggest-', dir=args.work or build)
results = []
try:
    for seed in seeds:
        sample = list(items)
        random.Random(seed).shuffle(sample)
        sample = sample[:args.filed + args.held]
        held, filed = sample[:args.held], sample[args.held:]
        place = os.path.join(work, f'sample{seed}')
        root, source = os.path.join(place, 'Archive'), os.path.join(place, 'Archive', 'Downloads')
        os.makedirs(source)
        for title, section in filed:
            os.makedirs(os.path.join(root, section), exist_ok=True)
            save_page(os.path.join(root, section), title)
        truth = {save_page(source, title): section for title, section in held}
        # The keyword list of the standard corpus (2,000 lines, as gen-corpus.py writes them): none of them
        # matches these pages, so every one gets suggestions, as in a dry run where the list has no word for them.
        keyword_list = os.path.join(place, 'list.dat')
        with open(keyword_list, 'w', newline='') as f:
            for k in range(2000):
                f.write(f"[k{k:04d}]".ljust(20) + f" -> ../Topic {k % 97}/k{k:04d}    << 1/1\r\n")
        environment = dict(os.environ, XDG_CONFIG_HOME=os.path.join(place, 'config'),
                           XDG_STATE_HOME=os.path.join(place, 'state'), XDG_CACHE_HOME=os.path.join(place, 'cache'))
        for name in ('DISPLAY', 'WAYLAND_DISPLAY'):
            environment.pop(name, None)

        def classify(*extra):
            command = [program, 'classify', source, '--list', keyword_list, '--root', root, '--dry-run', '--json',
                       *extra]
            started = time.monotonic()
            result = subprocess.run(command, env=environment, capture_output=True, text=True)
            elapsed = time.monotonic() - started
            if result.returncode not in (0, 1):
                sys.exit('marrowdale classify failed: ' + result.stderr)
            return elapsed, result.stdout

        if seed == seeds[0]:
            cache_file = os.path.join(place, 'cold.index')
            truly_cold = drop_caches()
            read = subprocess.run([cold_tool, root, source, cache_file, 'read'], capture_output=True, text=True,
                                  check=True).stdout
            drop_caches()
            built = subprocess.run([cold_tool, root, source, cache_file, 'build'], capture_output=True, text=True,
                                   check=True).stdout
            read_time, build_time = float(read.split()[-1]), float(built.split()[-1])

        _, output = classify('--suggest')  # builds the cache: what follows is warm
        top1 = top3 = 0
        for line in output.splitlines():
            record = json.loads(line)
            if 'file' not in record:
                continue
            folders = [os.path.basename(s['folder']) for s in record.get('suggestions', [])]
            expected = truth[os.path.basename(record['file'])]
            top1 += folders[:1] == [expected]
            top3 += expected in folders[:3]
        results.append((seed, top1 / len(held), top3 / len(held), len({s for _, s in filed})))

        if seed == seeds[0]:
            best = {}
            for _ in range(args.rounds):
                for side, extra in (('without', ()), ('with', ('--suggest',))):
                    seconds, _ = classify(*extra)
                    best[side] = min(best.get(side, seconds), seconds)
finally:
    if args.keep:
        print('kept in', work)
    else:
        shutil.rmtree(work, ignore_errors=True)


def verdict(value, target, at_least):
    met = value >= target if at_least else value <= target
    return f'(target {">=" if at_least else "<="} {target}: {"met" if met else "MISSED"})'


print(f'suggestions: {args.filed} pages filed in about {results[0][3]} folders, {args.held} held out')
for seed, top1, top3, _ in results:
    print(f'  sample {seed}: top-1 {top1:.3f}, top-3 {top3:.3f}')
mean1 = sum(r[1] for r in results) / len(results)
mean3 = sum(r[2] for r in results) / len(results)
print(f'  mean      top-1 {mean1:.3f} {verdict(mean1, 0.70, True)}, top-3 {mean3:.3f} {verdict(mean3, 0.85, True)}')
warm = best['with'] / best['without']
print(f'  warm  {best["with"]:.3f} s with suggestions, {best["without"]:.3f} s without = {warm:.2f} x '
      f'{verdict(warm, 2.0, False)}')
ratio = build_time / read_time
print(f'  cold  index built and learnt in {build_time:.3f} s, heads read in {read_time:.3f} s = {ratio:.2f} x '
      f'{verdict(ratio, 2.0, False)}' + ('' if truly_cold else ' (pages in memory: not root, caches kept)'))
