// node --expose-gc engines.mjs ENGINE LIST_FILE... < requests.jsonl > decisions.jsonl
//
// The two engines the matcher is compared with, behind the same interface as
// wavecrest-filtercheck: ENGINE is "ubo" (@gorhill/ubo-core) or "ghostery"
// (@ghostery/adblocker), used through their public interfaces only. Each
// output line is the input object with "blocked" added; then on stderr
//   load_ms=N median_us=N p99_us=N heap_mb=N rss_mb=N load_cpu_ms=N
// (heap_mb: JavaScript heap grown by loading the lists, after collection;
// load_cpu_ms: processor time of the load, all of the process's threads).

import fs from 'node:fs';
import { performance } from 'node:perf_hooks';

const [engineName, ...listPaths] = process.argv.slice(2);
if (!['ubo', 'ghostery'].includes(engineName) || listPaths.length === 0) {
    process.stderr.write('usage: engines.mjs ubo|ghostery LIST_FILE... < requests.jsonl\n');
    process.exit(2);
}

const collect = () => { if (global.gc) { global.gc(); global.gc(); } };

async function load(texts) {
    if (engineName === 'ubo') {
        const { StaticNetFilteringEngine } = await import('@gorhill/ubo-core');
        const engine = await StaticNetFilteringEngine.create();
        await engine.useLists(texts.map((raw, i) => ({ name: `list${i}`, raw })));
        return (r) => engine.matchRequest({ originURL: r.sourceUrl, url: r.url, type: r.type }) === 1;
    }
    const { FiltersEngine, Request } = await import('@ghostery/adblocker');
    const engine = FiltersEngine.parse(texts.join('\n'));
    return (r) => engine.match(Request.fromRawDetails({
        url: r.url, sourceUrl: r.sourceUrl, type: r.type })).match === true;
}

const texts = listPaths.map((p) => fs.readFileSync(p, 'utf8'));
collect();
const heapBefore = process.memoryUsage().heapUsed;
const start = performance.now();
const cpuStart = process.cpuUsage();
const decide = await load(texts);
const loadMs = performance.now() - start;
const cpu = process.cpuUsage(cpuStart);
const loadCpuMs = (cpu.user + cpu.system) / 1000;
collect();
const heapMb = (process.memoryUsage().heapUsed - heapBefore) / (1024 * 1024);
const rssMb = process.memoryUsage().rss / (1024 * 1024);

const lines = fs.readFileSync(0, 'utf8').split('\n').filter((l) => l.trim() !== '');
const requests = lines.map((l) => JSON.parse(l));
for (const r of requests) decide(r);
const micros = new Array(requests.length);
const blocked = new Array(requests.length);
for (let i = 0; i < requests.length; i++) {
    const t0 = process.hrtime.bigint();
    blocked[i] = decide(requests[i]);
    micros[i] = Number(process.hrtime.bigint() - t0) / 1000;
}
const out = requests.map((r, i) => JSON.stringify({ ...r, blocked: blocked[i] })).join('\n');
process.stdout.write(out + (out ? '\n' : ''));

const percentile = (values, fraction) => {
    if (values.length === 0) return 0;
    const sorted = Float64Array.from(values).sort();
    return sorted[Math.min(sorted.length - 1, Math.floor(fraction * sorted.length))];
};
process.stderr.write(`load_ms=${loadMs.toFixed(0)} median_us=${percentile(micros, 0.5).toFixed(2)} `
    + `p99_us=${percentile(micros, 0.99).toFixed(2)} heap_mb=${heapMb.toFixed(1)} rss_mb=${rssMb.toFixed(1)} `
    + `load_cpu_ms=${loadCpuMs.toFixed(0)}\n`);
