// The page's worker: checks the charts the page hands it, one after the other, with the module
// above (createQuilletCore), and posts each chart's log and findings as they fill, then the
// mended chart when quillet-check --fix would mend it. A chart is read in slices as the check asks
// for blocks, never copied whole.
'use strict';

const reader = new FileReaderSync();
const encoder = new TextEncoder();
let chart = null; // the File being checked
let mended = null; // the mended chart's parts, as Blobs: the browser may keep them on disk

// The chart is read in slices of this size, each handed to the check in the blocks it asks for:
// each slice costs the browser a round trip of several milliseconds, as much as reading a few
// MiB, which smaller slices would pay too often.
const sliceSize = 16 * 1024 * 1024;

// The module's readers of the chart: each its position and its slice.
const readers = new Map();
let lastReader = 0;

function openChart() {
    readers.set(++lastReader, { position: 0, slice: new Uint8Array(0), sliceStart: 0 });
    return lastReader;
}

// Fills into (a view of the module's memory) from the reader's position; the count, 0 at the
// chart's end, -1 for a file removed or changed since it was chosen.
function readChart(id, into) {
    const at = readers.get(id);
    if (at.position >= at.sliceStart + at.slice.length) {
        if (at.position >= chart.size)
            return 0;
        try {
            at.slice = new Uint8Array(reader.readAsArrayBuffer(
                chart.slice(at.position, at.position + sliceSize)));
        } catch (error) {
            return -1;
        }
        at.sliceStart = at.position;
        if (at.slice.length === 0)
            return 0;
    }
    const bytes = at.slice.subarray(at.position - at.sliceStart, at.position - at.sliceStart + into.length);
    into.set(bytes);
    at.position += bytes.length;
    return bytes.length;
}

// The log and the findings go to the page as the module hands them over, in pieces of whole lines
// of some dozen KiB: their bytes, handed over, not copied again; the page decodes them.
function post(kind, bytes) {
    const piece = bytes.slice();
    postMessage({ kind, bytes: piece }, [piece.buffer]);
}

// Compiled at once (no fetch, see CMakeLists.txt), the module comes back itself, not a promise.
const ready = Promise.resolve(createQuilletCore({
    onLog(bytes) {
        post('log', bytes);
    },
    onFindings(bytes) {
        post('findings', bytes);
    },
    onMendBegins(untouched) {
        mended = [chart.slice(0, untouched)];
    },
    onMended(bytes) {
        mended.push(new Blob([bytes]));
    },
    openChart,
    readChart,
    closeChart(id) {
        readers.delete(id);
    },
    print() {},
    printErr() {},
}));

// Byte order of the UTF-8 names, as quillet-check sorts the charts of a folder.
function byPath(a, b) {
    const x = encoder.encode(a.path);
    const y = encoder.encode(b.path);
    for (let i = 0; i < x.length && i < y.length; ++i) {
        if (x[i] !== y[i])
            return x[i] - y[i];
    }
    return x.length - y.length;
}

// The charts of the items in order; a folder's are those quillet-check would find in it, sorted.
function chartsOf(module, items) {
    const charts = [];
    for (const item of items) {
        if (!item.folder) {
            charts.push(item);
            continue;
        }
        const inFolder = item.files.filter(
            (entry) => module.ccall('quilletIsChartInFolder', 'number', ['string'], [entry.path]));
        inFolder.sort(byPath);
        for (const entry of inFolder)
            charts.push({ file: entry.file, name: item.folder + '/' + entry.path });
    }
    return charts;
}

function checkAll(module, items) {
    const charts = chartsOf(module, items);
    module._quilletReset();
    charts.forEach(({ file, name }, index) => {
        postMessage({ kind: 'begin', name, index, count: charts.length });
        chart = file;
        mended = null;
        module.ccall('quilletCheck', 'number', ['string'], [name]);
        if (module._quilletMended() > 0)
            postMessage({ kind: 'mended', name: file.name, blob: new Blob(mended) });
        mended = null;
        chart = null;
    });
    const summary = charts.length > 1 ? module.UTF8ToString(module._quilletSummary()) : '';
    postMessage({ kind: 'done', count: charts.length, summary });
}

onmessage = (event) => {
    ready.then((module) => checkAll(module, event.data)).catch((error) => {
        postMessage({ kind: 'failed', message: String((error && error.message) || error) });
    });
};
