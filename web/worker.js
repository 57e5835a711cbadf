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

function offerCharts(module) {
    const FS = module.FS;
    const device = FS.makedev(64, 0);
    FS.registerDevice(device, {
        open() {},
        close() {},
        read(stream, heap, offset, length, position) {
            const end = Math.min(position + length, chart.size);
            if (position >= end)
                return 0;
            let bytes;
            try {
                bytes = reader.readAsArrayBuffer(chart.slice(position, end));
            } catch (error) {
                // A file removed or changed since it was chosen: the check says it could not read.
                throw new FS.ErrnoError(EIO);
            }
            new Uint8Array(heap.buffer, heap.byteOffset + offset, bytes.byteLength)
                .set(new Uint8Array(bytes));
            return bytes.byteLength;
        },
    });
    FS.mkdev('/chart', 0o444, device);
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

function checkAll(module, items) {
    const charts = chartsOf(module, items);
    module._quilletReset();
    charts.forEach(({ file, name }, index) => {
        postMessage({ kind: 'begin', name, index, count: charts.length });
        chart = file;
        logText = new TextDecoder();
        findingsText = new TextDecoder();
        findings = '';
        const outcome = module.ccall('quilletCheck', 'number', ['string'], [name]);
        chart = null;
        postMessage({ kind: 'log', text: logText.decode() });
        postMessage({ kind: 'end', findings: findings + findingsText.decode(), outcome });
    });
    const summary = charts.length > 1 ? module.UTF8ToString(module._quilletSummary()) : '';
    postMessage({ kind: 'done', count: charts.length, summary });
}

onmessage = (event) => {
    ready.then((module) => checkAll(module, event.data)).catch((error) => {
        postMessage({ kind: 'failed', message: String((error && error.message) || error) });
    });
};
