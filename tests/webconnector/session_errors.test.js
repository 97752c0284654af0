// Sessions that end in an error, played by the npm soap client: QuickBooks fails a request
// (receiveResponseXML gets a negative percentage, then getLastError and closeConnection), and
// the Web Connector cannot open QuickBooks (connectionError until "done"). The waiting
// command fails and says why.
'use strict';

const test = require('node:test');
const assert = require('node:assert/strict');
const qbwc = require('./web_connector');

const dir = qbwc.tempFolder();
const settings = `${dir}/demo`;
let portFile;
test.before(async () => {
  assert.equal((await qbwc.vqbCli(['demo', settings, ...qbwc.kDemoSize])).code, 0);
  portFile = await qbwc.useWebConnector(settings);
});

// Runs `vqb-cli send customers --all` while `connector` plays the Web Connector.
async function sendCustomers(connector, options) {
  const stop = connector.start(options);
  try {
    return await qbwc.vqbCli(['--settings', settings, 'send', 'customers', '--all']);
  } finally {
    await stop();
  }
}

// The connection test fails, as with a closed company; no list is loaded, nothing is sent.
const connectionFailed = (number, reason) =>
  `[Connection Error] Vantora cannot connect to QuickBooks.\n\nError ${number} - ${reason}\n`;

const cases = [
  {
    name: 'QuickBooks fails a request',
    quickBooks: async () => ({
      hresult: '0x80040400',
      message: 'QuickBooks found an error when parsing the provided XML text stream.',
    }),
    calls: [
      'receiveResponseXML -> -101',
      'getLastError -> QuickBooks found an error when parsing the provided XML text stream.',
      'closeConnection -> OK',
    ],
    err: connectionFailed(
      -2147220480,
      'QuickBooks found an error when parsing the provided XML text stream.'
    ),
  },
  {
    name: 'the Web Connector cannot open QuickBooks',
    options: { connectionError: { hresult: '0x80040408', message: 'Could not start QuickBooks.' } },
    calls: ['connectionError -> ', 'connectionError -> done'],
    err: connectionFailed(
      20852,
      'The QuickBooks Web Connector could not open QuickBooks: Could not start QuickBooks.'
    ),
  },
];

for (const c of cases) {
  test(`${c.name}: the session ends and the command fails`, async () => {
    const connector = new qbwc.WebConnector({
      portFile,
      quickBooks: c.quickBooks ?? qbwc.simulatedQuickBooks(settings),
    });
    const sent = await sendCustomers(connector, c.options);
    assert.deepEqual(sent, { code: 1, out: '', err: c.err });
    const session = connector.log.filter((call) =>
      /^(receiveResponseXML|getLastError|connectionError|closeConnection)/.test(call)
    );
    assert.deepEqual(session.slice(0, c.calls.length), c.calls);
    // Nothing reached QuickBooks: the customers are still to be sent.
    const list = await qbwc.vqbCli(['--settings', settings, 'list', 'customers']);
    assert.match(list.out, /^3 records$/m);
  });
}
