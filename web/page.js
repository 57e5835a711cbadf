// The page: takes charts from the file inputs or a drop, hands them to the worker (whose script
// is the text of #worker-script) and shows each chart's name, log and findings as they come.
'use strict';

const log = document.getElementById('log');
const progress = document.getElementById('progress');
const copyButton = document.getElementById('copy');
const filesInput = document.getElementById('files');
const folderInput = document.getElementById('folder');
const dropZone = document.getElementById('drop');

const workerUrl = URL.createObjectURL(new Blob(
    [document.getElementById('worker-script').textContent], { type: 'text/javascript' }));
let worker = null;
let busy = false;
let current = null; // where the chart being shown goes: { log, findings } and their decoders
let downloads = []; // the object URLs of the mended charts shown

function append(className, text, parent = log) {
    const span = document.createElement('span');
    span.className = className;
    span.textContent = text;
    parent.appendChild(span);
    return span;
}

// A piece of a log or findings, whole lines of some dozen KiB at most, in blocks of a few lines
// each laid out only when in view (content-visibility): a log of millions of lines costs the page
// only the blocks on screen, and a block coming into view is laid out in a few milliseconds where
// a whole piece's would stop the page for tens. Its estimated height holds its place meanwhile.
const blockLines = 100;

function appendBlock(container, text) {
    let start = 0;
    while (start < text.length) {
        let end = start;
        let lines = 0;
        while (lines < blockLines && end < text.length) {
            const at = text.indexOf('\n', end);
            end = at === -1 ? text.length : at + 1;
            ++lines;
        }
        const block = append('block', text.slice(start, end), container);
        block.style.containIntrinsicSize = `auto ${lines * 1.25}em`;
        start = end;
    }
}

// The end of a chart's log and findings: what their decoders still hold.
function endChart() {
    if (current === null)
        return;
    appendBlock(current.log, current.logText.decode());
    appendBlock(current.findings, current.findingsText.decode());
    current = null;
}

function showMessage(message) {
    switch (message.kind) {
    case 'begin':
        endChart();
        if (message.index > 0)
            log.appendChild(document.createTextNode('\n'));
        append('name', message.name + '\n');
        current = { log: append('chart-log', ''), findings: append('findings', ''),
            logText: new TextDecoder(), findingsText: new TextDecoder() };
        if (message.count > 1)
            progress.textContent = `Checking chart ${message.index + 1} of ${message.count}: ${message.name}`;
        else
            progress.textContent = `Checking ${message.name}`;
        break;
    case 'log':
        appendBlock(current.log, current.logText.decode(message.bytes, { stream: true }));
        break;
    case 'findings':
        appendBlock(current.findings, current.findingsText.decode(message.bytes, { stream: true }));
        break;
    case 'mended': {
        // The mended bytes under the chart's own name; the chart itself is left as it is.
        const link = document.createElement('a');
        link.className = 'mend';
        link.href = URL.createObjectURL(message.blob);
        link.download = message.name;
        link.textContent = 'Download mended chart';
        link.setAttribute('aria-label', `Download mended chart ${message.name}`);
        downloads.push(link.href);
        log.appendChild(link);
        break;
    }
    case 'done':
        endChart();
        setBusy(false);
        if (message.summary)
            append('summary', '\n' + message.summary + '\n');
        progress.textContent = message.count === 0 ? 'No charts found.'
            : message.count === 1 ? 'Checked 1 chart.' : `Checked ${message.count} charts.`;
        copyButton.disabled = !log.hasChildNodes();
        break;
    case 'failed':
        endChart();
        setBusy(false);
        progress.textContent = `The check stopped: ${message.message}`;
        copyButton.disabled = !log.hasChildNodes();
        // A new one for the next charts: this one's module may be left in any state.
        stopWorker();
        break;
    }
}

// While busy, the log is marked so for assistive technology, which then reads it once complete.
function setBusy(isBusy) {
    busy = isBusy;
    log.setAttribute('aria-busy', String(isBusy));
}

function stopWorker() {
    if (worker)
        worker.terminate();
    worker = null;
}

function startWorker() {
    stopWorker();
    worker = new Worker(workerUrl);
    worker.onmessage = (event) => showMessage(event.data);
    worker.onerror = (event) => {
        event.preventDefault();
        showMessage({ kind: 'failed', message: event.message || 'the checker could not start' });
    };
}

// items: charts ({ file, name }) and folders ({ folder, files: [{ file, path }] }), in order.
// A new set of charts empties the log, and stops the check of the one before.
function check(items) {
    if (busy || !worker)
        startWorker();
    log.textContent = '';
    for (const url of downloads)
        URL.revokeObjectURL(url);
    downloads = [];
    current = null;
    copyButton.disabled = true;
    progress.textContent = 'Starting the check';
    setBusy(true);
    worker.postMessage(items);
}

filesInput.addEventListener('change', () => {
    check(Array.from(filesInput.files, (file) => ({ file, name: file.name })));
    filesInput.value = '';
});

folderInput.addEventListener('change', () => {
    const files = Array.from(folderInput.files);
    folderInput.value = '';
    if (files.length === 0)
        return;
    const folder = files[0].webkitRelativePath.split('/')[0];
    check([{ folder, files: files.map((file) => ({
        file, path: file.webkitRelativePath.slice(folder.length + 1) })) }]);
});

// Everything under a dropped folder: [{ file, path }], path below the folder.
async function filesUnder(directory) {
    const found = [];
    const folders = [directory];
    while (folders.length > 0) {
        const dirReader = folders.pop().createReader();
        for (;;) {
            const entries = await new Promise((resolve, reject) => dirReader.readEntries(resolve, reject));
            if (entries.length === 0)
                break;
            for (const entry of entries) {
                if (entry.isDirectory) {
                    folders.push(entry);
                } else {
                    const file = await new Promise((resolve, reject) => entry.file(resolve, reject));
                    found.push({ file, path: entry.fullPath.slice(directory.fullPath.length + 1) });
                }
            }
        }
    }
    return found;
}

// The transfer's items are read at once: they are gone once the drop's handler returns.
async function dropped(transfer) {
    const taken = Array.from(transfer.items, (item) => item.kind !== 'file' ? null
        : { entry: item.webkitGetAsEntry && item.webkitGetAsEntry(), file: item.getAsFile() });
    const items = [];
    for (const { entry, file } of taken.filter(Boolean)) {
        if (entry && entry.isDirectory)
            items.push({ folder: entry.name, files: await filesUnder(entry) });
        else if (file)
            items.push({ file, name: file.name });
    }
    return items;
}

// A drop anywhere on the page takes the charts; the browser would otherwise open the file in
// place of the page.
window.addEventListener('dragover', (event) => {
    event.preventDefault();
    dropZone.classList.add('over');
});
window.addEventListener('dragleave', (event) => {
    if (event.relatedTarget === null)
        dropZone.classList.remove('over');
});
window.addEventListener('drop', (event) => {
    event.preventDefault();
    dropZone.classList.remove('over');
    dropped(event.dataTransfer).then((items) => {
        if (items.length > 0)
            check(items);
    }, (error) => {
        progress.textContent = `The dropped files could not be read: ${error.message}`;
    });
});

// The log's text with the window's CR LF line ends, without the download links.
copyButton.addEventListener('click', () => {
    const text = Array.from(log.childNodes, (node) => node.className === 'mend' ? '' : node.textContent)
        .join('').replace(/\n/g, '\r\n');
    navigator.clipboard.writeText(text).then(() => {
        progress.textContent = 'The log was copied.';
    }, () => {
        // Without clipboard access, the log is selected for Ctrl+C.
        const range = document.createRange();
        range.selectNodeContents(log);
        getSelection().removeAllRanges();
        getSelection().addRange(range);
        progress.textContent = 'The log is selected: press Ctrl+C to copy it.';
    });
});

startWorker();
