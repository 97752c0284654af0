// The whole demo send through the Web Connector transport, answered by the npm soap client
// playing the Web Connector, leaves QuickBooks and Vantora as the same send over the
// in-process simulated transport.
'use strict';

const test = require('node:test');
const assert = require('node:assert/strict');
const qbwc = require('./web_connector');


test('the demo sent through the Web Connector matches the direct send', async () => {
  const {
    folders: [viaWebConnector, direct],
    connector,
  } = await qbwc.servedDemo(['web-connector', 'direct']);
  const stop = connector.start();
  try {
    for (const send of qbwc.kDemoSends) {
      const served = await qbwc.vqbCli(['--settings', viaWebConnector, '--yes', 'send', ...send]);
      const same = await qbwc.vqbCli(['--settings', direct, '--yes', 'send', ...send]);
      assert.deepEqual(served, same, send.join(' '));
      assert.match(served.out, /: (Success|Sent!)/, send[0]);
    }
    // One session per command, each ended by the service with 100.
    assert.deepEqual(await stop(), ['', '', '', '', '']);
  } finally {
    await stop();
  }
  assert.ok(connector.log.some((call) => call.startsWith('sendRequestXML -> <?xml')));
  assert.equal(connector.log.filter((call) => call === 'receiveResponseXML -> 100').length, 5);

  qbwc.setTransport(viaWebConnector, 'simulated'); // qb list reads the company itself
  assert.equal(await qbwc.companyContents(viaWebConnector), await qbwc.companyContents(direct));
  assert.equal(await qbwc.sentRecords(viaWebConnector), await qbwc.sentRecords(direct));
});
