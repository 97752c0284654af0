// The Web Connector drops QuickBooks' answer to an invoice add (QuickBooks saved it) and
// logs in afresh, as after a time-out. One request per round trip (VQB_NO_BATCHING=1): the
// invoice is not sent again and the next command marks it from QuickBooks' kept message set.
// Adds in message sets: the lost answer of the set is asked for in the next session at once.
// Either way every record is in QuickBooks exactly once.
'use strict';

const test = require('node:test');
const assert = require('node:assert/strict');
const qbwc = require('./web_connector');

const kLostLine =
  "10002 St. Mary's Parish <Youth> Club: 20872 QuickBooks' answer to this request never " +
  'arrived, so it was not sent again. Check in QuickBooks whether it was recorded before ' +
  'sending it once more.';
const kMarkedNow = new RegExp(
  '^\\[QuickBooks Recovery\\] Sends whose answer from QuickBooks was lost:\\n' +
    'Invoice 10002: Was sent on \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d; the answer was lost\\. ' +
    'Marked as sent now\\.\\n',
  'm'
);

test('a dropped answer followed by a new session doubles nothing', async () => {
  process.env.VQB_NO_BATCHING = '1';
  const {
    folders: [viaWebConnector, direct],
    connector,
  } = await qbwc.servedDemo(['web-connector', 'direct']);
  const send = (folder, args) => qbwc.vqbCli(['--settings', folder, '--yes', 'send', ...args]);
  const [customers, , invoices] = qbwc.kDemoSends;

  let adds = 0;
  // The second invoice add reaches QuickBooks, but its answer never comes back.
  const stop = connector.start({
    dropAnswer: (request) => request.includes('<InvoiceAddRq') && ++adds === 2,
  });
  try {
    for (const folder of [viaWebConnector, direct])
      assert.equal((await send(folder, customers)).code, 0);
    const lost = await send(viaWebConnector, invoices);
    const once = await send(direct, invoices);
    assert.deepEqual(lost.out.split('\n').filter((line) => line.includes('20872')), [kLostLine]);
    // The other invoices went on in the next session as in the direct send.
    const others = (out) => out.replace(/^10002 .*$/m, '');
    assert.equal(others(lost.out), others(once.out));

    const next = await send(viaWebConnector, invoices);
    assert.match(next.err, kMarkedNow);
    assert.doesNotMatch(next.out, /^10002 /m, 'not offered again');
    assert.deepEqual(await stop(), ['', 'dropped', '', '']);
  } finally {
    await stop();
  }

  qbwc.setTransport(viaWebConnector, 'simulated');
  assert.equal(await qbwc.companyContents(viaWebConnector), await qbwc.companyContents(direct));
  assert.equal(await qbwc.sentRecords(viaWebConnector), await qbwc.sentRecords(direct));
  delete process.env.VQB_NO_BATCHING;
});

test('a dropped answer to a message set of adds is asked for once', async () => {
  const {
    folders: [viaWebConnector, direct],
    connector,
  } = await qbwc.servedDemo(['web-connector', 'direct']);
  const send = (folder, args) => qbwc.vqbCli(['--settings', folder, '--yes', 'send', ...args]);
  const [customers, , invoices] = qbwc.kDemoSends;

  let sets = 0;
  const stop = connector.start({
    dropAnswer: (request) => request.includes('<InvoiceAddRq') && ++sets === 1,
  });
  try {
    for (const folder of [viaWebConnector, direct])
      assert.equal((await send(folder, customers)).code, 0);
    const lost = await send(viaWebConnector, invoices);
    const once = await send(direct, invoices);
    assert.equal(sets > 0, true);
    assert.equal(lost.out, once.out);  // every invoice settled and marked in the same command
    assert.doesNotMatch((await send(viaWebConnector, invoices)).err, /QuickBooks Recovery/);
  } finally {
    await stop();
  }

  qbwc.setTransport(viaWebConnector, 'simulated');
  assert.equal(await qbwc.companyContents(viaWebConnector), await qbwc.companyContents(direct));
  assert.equal(await qbwc.sentRecords(viaWebConnector), await qbwc.sentRecords(direct));
});
