// The page's worker: checks the charts the page hands it, one after the other, with the module
// above (createQuilletCore), and posts each chart's log as it fills, then its findings. A chart
// is read in slices as the check asks for blocks, never copied whole.
'use strict';

const EIO = 29; // the module's errno for a read that failed

const reader = new FileReaderSync();
const encoder = new TextEncoder();
let chart = null; // the File being checked
let logText = null;
let findingsText = null;
let findings = '';

// The chart is read in slices of this size, each handed to the check in the blocks it asks for:
// each slice costs the browser a round trip, which blocks of the check's own size would pay too
// often.
const sliceSize = 4 * 1024 * 1024;
let slice = new Uint8Array(0);
let sliceStart = 0;

function readSlice(FS, position) {
    sliceStart = position;
    try {
        slice = new Uint8Array(reader.readAsArrayBuffer(chart.slice(position, position + sliceSize)));
    } catch (error) {
        // A file removed or changed since it was chosen: the check says it could not read.
        throw new FS.ErrnoError(EIO);
    }
}

function offerCharts(module) {
    const FS = module.FS;
    const device = FS.makedev(64, 0);
    FS.registerDevice(device, {
        open() {},
        close() {},
        read(stream, heap, offset, length, position) {
            if (position < sliceStart || position >= sliceStart + slice.length)
                readSlice(FS, position);
            const bytes = slice.subarray(position - sliceStart, position - sliceStart + length);
            new Uint8Array(heap.buffer, heap.byteOffset + offset, bytes.length).set(bytes);
            return bytes.length;
        },
    });
    FS.mkdev('/chart', 0o444, device);

    // The check's scratch file, the one file of the module's memory file system, holds about as
    // much as the chart. That file system grows a file past 1 MiB by an eighth at a time,
    // copying it each time, which for a large chart costs as much as the check: it is given the
    // chart's size at once, and doubles past that.
    const MEMFS = FS.filesystems.MEMFS;
    const expand = MEMFS.expandFileStorage;
    MEMFS.expandFileStorage = (node, capacity) => {
        const current = node.contents ? node.contents.length : 0;
        if (capacity > current)
            capacity = Math.max(capacity, 2 * current, chart ? chart.size : 0);
        expand(node, capacity);
    };
    return module;
}

// Compiled at once (no fetch, see CMakeLists.txt), the module comes back itself, not a promise.
const ready = Promise.resolve(createQuilletCore({
    onLog(bytes) {
        postMessage({ kind: 'log', text: logText.decode(bytes, { stream: true }) });
    },
    onFindings(bytes) {
        findings += findingsText.decode(bytes, { stream: true });
    },
    print() {},
    printErr() {},
})).then(offerCharts);

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

// Text in pieces cut at line ends, each shown by the page in a task of its own: a chart's
// findings can be megabytes, more than the page lays out between two frames.
const pieceSize = 64 * 1024;

function postPieces(kind, text) {
    for (let start = 0; start < text.length;) {
        let end = Math.min(start + pieceSize, text.length);
        if (end < text.length) {
            const lineEnd = text.lastIndexOf('\n', end - 1);
            if (lineEnd >= start)
                end = lineEnd + 1;
        }
        postMessage({ kind, text: text.slice(start, end) });
        start = end;
    }
}

function checkAll(module, items) {
    const charts = chartsOf(module, items);
    module._quilletReset();
    charts.forEach(({ file, name }, index) => {
        postMessage({ kind: 'begin', name, index, count: charts.length });
        chart = file;
        slice = new Uint8Array(0);
        logText = new TextDecoder();
        findingsText = new TextDecoder();
        findings = '';
        module.ccall('quilletCheck', 'number', ['string'], [name]);
        chart = null;
        slice = new Uint8Array(0);
        postMessage({ kind: 'log', text: logText.decode() });
        postPieces('findings', findings + findingsText.decode());
        findings = '';
    });
    const summary = charts.length > 1 ? module.UTF8ToString(module._quilletSummary()) : '';
    postMessage({ kind: 'done', count: charts.length, summary });
}

onmessage = (event) => {
    ready.then((module) => checkAll(module, event.data)).catch((error) => {
        postMessage({ kind: 'failed', message: String((error && error.message) || error) });
    });
};
