#!/usr/bin/env node
// Reads a port-4370 terminal's attendance log with one of the public npm clients and prints it:
// one JSON object a record ({"user", "uid", "time"} and "state" where the client reads it), then
// {"count": N}. Exit codes: 0 read, 1 the client failed or read only part of the log, 2 usage,
// 3 the whole run took longer than its limit.
//
//   node read-log.js node-zklib|zkteco-js HOST PORT [LIMIT_MS]
'use strict';

const [clientName, host, portText, limitText] = process.argv.slice(2);
const port = Number(portText);
const limitMs = limitText === undefined ? 60000 : Number(limitText);
if (!['node-zklib', 'zkteco-js'].includes(clientName) || !host || !(port > 0) || !(limitMs > 0)) {
  process.stderr.write('usage: read-log.js node-zklib|zkteco-js HOST PORT [LIMIT_MS]\n');
  process.exit(2);
}

// The clients report on the console as they go: that belongs on stderr, beside the failures.
console.log = console.info = (...args) => console.error(...args);

// A client that never hears back must not hold the caller.
setTimeout(() => {
  process.stderr.write(`read-log: ${clientName} did not finish within ${limitMs} ms\n`);
  process.exit(3);
}, limitMs);

// A wait per request, shorter than the whole run's limit.
const requestTimeoutMs = Math.min(10000, limitMs);

const pad = (n, width = 2) => String(n).padStart(width, '0');
// The clients give the record's time as a Date built from its local fields.
const timeText = (date) =>
  `${date.getFullYear()}-${pad(date.getMonth() + 1)}-${pad(date.getDate())} ` +
  `${pad(date.getHours())}:${pad(date.getMinutes())}:${pad(date.getSeconds())}`;

async function readWithNodeZklib() {
  const ZKLib = require('node-zklib');
  const device = new ZKLib(host, port, requestTimeoutMs, 0);
  await device.createSocket();
  const log = await device.getAttendances();
  // A read cut short comes back with what arrived and the error beside it.
  if (log.err) throw log.err;
  await device.disconnect();
  return log.data.map((r) => ({user: r.deviceUserId, uid: r.userSn, time: timeText(r.recordTime)}));
}

async function readWithZktecoJs() {
  const ZktecoJs = require('zkteco-js');
  const device = new ZktecoJs(host, port, requestTimeoutMs, 0);
  await device.createSocket();
  const log = await device.getAttendances();
  await device.disconnect();
  return log.data.map((r) => ({
    user: r.user_id,
    uid: r.sn,
    time: timeText(new Date(r.record_time)),
    state: r.state,
  }));
}

(clientName === 'node-zklib' ? readWithNodeZklib : readWithZktecoJs)()
  .then((records) => {
    const lines = records.map((r) => JSON.stringify(r));
    lines.push(JSON.stringify({count: records.length}));
    process.stdout.write(lines.join('\n') + '\n', () => process.exit(0));
  })
  .catch((err) => {
    process.stderr.write(`read-log: ${clientName}: ${err && err.stack ? err.stack : err}\n`);
    process.exit(1);
  });
