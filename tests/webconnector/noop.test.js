// While the user takes time over a question, the service has nothing to hand over: the Web
// Connector gets "" from sendRequestXML, "NoOp" from getLastError, pauses and asks again, and
// the session goes on once the answer is typed. (The service waits about 20 s for work before
// it answers "", so this test takes that long.)
'use strict';

const test = require('node:test');
const assert = require('node:assert/strict');
const { spawn } = require('node:child_process');
const qbwc = require('./web_connector');


// Runs vqb-cli on a terminal of its own (util-linux's script), so that it asks its questions.
function onTerminal(args) {
  const command = [qbwc.cli, ...args].map((a) => `'${a.replace(/'/g, "'\\''")}'`).join(' ');
  const child = spawn('script', ['-q', '-e', '-c', command, '/dev/null']);
  let out = '';
  child.stdout.on('data', (d) => (out += d));
  const ended = new Promise((resolve) => child.on('close', (code) => resolve({ code, out })));
  return { type: (line) => child.stdin.write(`${line}\n`), ended, output: () => out };
}

async function until(condition, what, limitMs = 60000) {
  for (const end = Date.now() + limitMs; !condition(); await qbwc.sleep(50))
    if (Date.now() > end) throw new Error(`timed out waiting for ${what}`);
}

test('NoOp while the user answers a question, then the session goes on', async () => {
  const {
    folders: [settings],
    connector,
  } = await qbwc.servedDemo(['demo']);
  const stop = connector.start();
  try {
    const run = onTerminal(['--settings', settings, 'send', 'customers', '1004']);
    await until(() => run.output().includes('less than 40 characters'), 'the name question');
    await until(() => connector.log.includes('getLastError -> NoOp'), 'NoOp');
    run.type('Northern Alberta Minor Hockey');
    const sent = await run.ended;
    assert.equal(sent.code, 0, sent.out);
    const result = /^1004 Northern Alberta Regional Minor Hockey Association: Success\r?$/m;
    assert.match(sent.out, result);
    const noOp = connector.log.indexOf('getLastError -> NoOp');
    assert.equal(connector.log[noOp - 1], 'sendRequestXML -> ');
    assert.match(connector.log[noOp + 1], /^sendRequestXML -> <\?xml/);
    assert.deepEqual(await stop(), ['']);
  } finally {
    await stop();
  }
  qbwc.setTransport(settings, 'simulated');
  const customers = (await qbwc.vqbCli(['--settings', settings, 'qb', 'list', 'customers'])).out;
  assert.equal(customers.match(/ Northern Alberta Minor Hockey /g).length, 1);
});
