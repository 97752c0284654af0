// Plays the QuickBooks Web Connector against the integrator's SOAP service with the npm soap
// client, built from the WSDL the service serves. Each qbXML request goes to a simulated
// company standing in for QuickBooks ("vqb-cli qb process").
'use strict';

const { spawn } = require('node:child_process');
const fs = require('node:fs');
const path = require('node:path');
const os = require('node:os');
const soap = require('soap');

const cli = process.env.VQB_CLI || path.resolve(__dirname, '../../build/bin/vqb-cli');
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Runs vqb-cli; resolves {code, out, err}.
function vqbCli(args, input = '') {
  return new Promise((resolve, reject) => {
    const child = spawn(cli, args, { stdio: ['pipe', 'pipe', 'pipe'] });
    let out = '';
    let err = '';
    child.stdout.on('data', (d) => (out += d));
    child.stderr.on('data', (d) => (err += d));
    child.on('error', reject);
    child.on('close', (code) => resolve({ code, out, err }));
    // A command that does not read its input may end before the input is written (EPIPE on
    // a loaded machine); its exit code and output tell what happened.
    child.stdin.on('error', () => {});
    child.stdin.end(input);
  });
}

// A fresh temporary folder, removed when the process ends.
function tempFolder() {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'vqb-qbwc-'));
  process.on('exit', () => fs.rmSync(folder, { recursive: true, force: true }));
  return folder;
}

// QuickBooks as the Web Connector reaches it: the simulated company of settings folder
// `settings`. Resolves {response} or, when QuickBooks fails the request, {hresult, message}.
function simulatedQuickBooks(settings) {
  return async (request) => {
    const run = await vqbCli(['--settings', settings, 'qb', 'process'], request);
    if (run.code === 0) return { response: run.out };
    return { hresult: '0x80040400', message: run.err.trim() };
  };
}

// What QuickBooks tells the Web Connector about itself on the first sendRequestXML.
const kHcpResponse = [
  '<?xml version="1.0" ?><QBXML><QBXMLMsgsRs>',
  '<HostQueryRs requestID="0" statusCode="0" statusSeverity="Info" statusMessage="Status OK">',
  '<HostRet><ProductName>QuickBooks Premier Edition 2021</ProductName>',
  '<MajorVersion>31</MajorVersion><MinorVersion>0</MinorVersion><Country>US</Country>',
  '<SupportedQBXMLVersion>1.0</SupportedQBXMLVersion>',
  '<SupportedQBXMLVersion>13.0</SupportedQBXMLVersion>',
  '<IsAutomaticLogin>false</IsAutomaticLogin><QBFileMode>SingleUser</QBFileMode>',
  '</HostRet></HostQueryRs>',
  '<CompanyQueryRs requestID="1" statusCode="0" statusSeverity="Info" statusMessage="Status OK">',
  '<CompanyRet><IsSampleCompany>false</IsSampleCompany><CompanyName>Demo Books</CompanyName>',
  '<LegalCompanyName>Demo Books Inc</LegalCompanyName></CompanyRet></CompanyQueryRs>',
  '<PreferencesQueryRs requestID="2" statusCode="0" statusSeverity="Info" statusMessage="Status OK">',
  '<PreferencesRet><AccountingPreferences>',
  '<IsUsingAccountNumbers>false</IsUsingAccountNumbers>',
  '<IsRequiringAccounts>true</IsRequiringAccounts>',
  '<IsUsingClassTracking>true</IsUsingClassTracking></AccountingPreferences>',
  '<SalesTaxPreferences><DefaultItemSalesTaxRef><FullName>State Tax</FullName>',
  '</DefaultItemSalesTaxRef></SalesTaxPreferences></PreferencesRet></PreferencesQueryRs>',
  '</QBXMLMsgsRs></QBXML>',
].join('');
const kCompanyFile = 'C:\\Users\\Public\\Documents\\Intuit\\QuickBooks\\Demo Books.qbw';

// The port the integrator serves on, from the file it writes it to (each run takes a port
// the system chooses, so that test runs never meet); 0 while none serves.
function servedPort(portFile) {
  try {
    const text = fs.readFileSync(portFile, 'utf8');
    return text.endsWith('\n') ? Number.parseInt(text, 10) || 0 : 0;
  } catch {
    return 0;
  }
}

// The Web Connector: logs in, asks for requests, hands them to `quickBooks` and the answers
// back, as the Web Connector does. `log` lists every call made as "method -> result".
class WebConnector {
  constructor({ portFile, user = 'qbuser', password = 's3cret', quickBooks, pause = 100 }) {
    this.portFile = portFile;
    this.url = null;
    this.user = user;
    this.password = password;
    this.quickBooks = quickBooks;
    this.pause = pause; // the Web Connector waits about 5 s after a NoOp; tests wait less
    this.log = [];
    this.client = null;
  }

  // The soap client, made from the WSDL of the port served now (again when it changes).
  // Throws ECONNREFUSED while no program serves.
  async connect() {
    const port = servedPort(this.portFile);
    if (!port) throw new Error('ECONNREFUSED: no port served yet');
    const url = `http://127.0.0.1:${port}/qbwc`;
    if (url !== this.url) {
      this.client = null;
      this.url = url;
    }
    if (!this.client) this.client = await soap.createClientAsync(`${this.url}?wsdl`);
    return this.client;
  }

  async call(method, args = {}) {
    const [result] = await this.client[`${method}Async`](args);
    const value = result ? result[`${method}Result`] : undefined;
    this.log.push(`${method} -> ${typeof value === 'object' ? JSON.stringify(value) : value}`);
    return value;
  }

  // One session, from the versions to closeConnection. `options.connectionError`
  // ({hresult, message}): QuickBooks cannot be opened. `options.dropAnswer(request)`: true
  // lets QuickBooks carry the request out and then abandons the session without handing back
  // its answer (the Web Connector timed out). Resolves the login status ("" when worked).
  async session(options = {}) {
    await this.connect();
    await this.call('serverVersion');
    await this.call('clientVersion', { strVersion: '2.3.0.36' });
    const login = await this.call('authenticate', {
      strUserName: this.user,
      strPassword: this.password,
    });
    const strings = [].concat(login?.string ?? []).map((s) => (typeof s === 'string' ? s : ''));
    const [ticket, status = ''] = strings;
    if (status === 'nvu' || status === 'busy') return status;
    if (status === 'none') {
      await this.call('closeConnection', { ticket });
      return status;
    }
    if (options.connectionError) {
      // The Web Connector tries the company again until the service says "done".
      const { hresult, message } = options.connectionError;
      while ((await this.call('connectionError', { ticket, hresult, message })) !== 'done');
      await this.call('closeConnection', { ticket });
      return 'connectionError';
    }
    for (let first = true; ; first = false) {
      const request =
        (await this.call('sendRequestXML', {
          ticket,
          strHCPResponse: first ? kHcpResponse : '',
          strCompanyFileName: kCompanyFile,
          qbXMLCountry: 'US',
          qbXMLMajorVers: 13,
          qbXMLMinorVers: 0,
        })) ?? '';
      if (request === '') {
        const error = await this.call('getLastError', { ticket });
        if (error === 'NoOp') {
          await sleep(this.pause);
          continue;
        }
        break;
      }
      const answer = await this.quickBooks(request);
      if (options.dropAnswer && options.dropAnswer(request)) return 'dropped';
      const percent = Number(
        await this.call('receiveResponseXML', {
          ticket,
          response: answer.response ?? '',
          hresult: answer.hresult ?? '',
          message: answer.message ?? '',
        })
      );
      if (percent < 0) {
        await this.call('getLastError', { ticket });
        break;
      }
      if (percent === 100) break;
    }
    await this.call('closeConnection', { ticket });
    return status;
  }

  // The scheduler: sessions one after another until `stop()` is true. A call that finds the
  // port closed (no program serving) is tried again after a pause. Resolves the statuses of
  // the sessions that worked or failed.
  async run(stop, options = {}) {
    const statuses = [];
    while (!stop()) {
      try {
        const status = await this.session(options);
        if (status !== 'none' && status !== 'busy') statuses.push(status);
      } catch (error) {
        if (!/ECONNREFUSED|ECONNRESET|socket hang up/.test(String(error))) throw error;
      }
      await sleep(this.pause);
    }
    return statuses;
  }

  // Starts the scheduler; the function returned stops it and resolves the statuses.
  start(options = {}) {
    let stopped = false;
    const statuses = this.run(() => stopped, options);
    return () => {
      stopped = true;
      return statuses;
    };
  }
}

// Points settings folder `settings` at the Web Connector (user qbuser, s3cret), served on a
// port the system chooses, which vqb-cli writes to the file returned.
async function useWebConnector(settings) {
  const setup = await vqbCli(
    ['--settings', settings, 'webconnector', 'setup', '--user', 'qbuser'],
    's3cret\n'
  );
  if (setup.code !== 0) throw new Error(setup.err);
  const file = path.join(settings, 'QBconnection.xml');
  fs.writeFileSync(file, fs.readFileSync(file, 'utf8').replace(/<port>[^<]*<\/port>/, '<port>0</port>'));
  const portFile = path.join(settings, 'webconnector.port');
  process.env.VQB_WEBCONNECTOR_PORT_FILE = portFile;
  return portFile;
}

// Demo settings folders of these names in a fresh temporary folder, the first switched to the
// Web Connector, and a WebConnector answering from that folder's simulated company.
async function servedDemo(names) {
  const dir = tempFolder();
  const folders = names.map((name) => `${dir}/${name}`);
  for (const folder of folders) {
    const made = await vqbCli(['demo', folder, ...kDemoSize]);
    if (made.code !== 0) throw new Error(made.err);
  }
  const portFile = await useWebConnector(folders[0]);
  const connector = new WebConnector({ portFile, quickBooks: simulatedQuickBooks(folders[0]) });
  return { folders, connector };
}

// Switches a settings folder's transport, keeping the rest of QBconnection.xml.
function setTransport(settings, transport) {
  const file = path.join(settings, 'QBconnection.xml');
  const text = fs.readFileSync(file, 'utf8');
  const element = `<transport>${transport}</transport>`;
  fs.writeFileSync(file, text.replace(/<transport>[^<]*<\/transport>/, element));
}

// The whole demo send, list by list, with the answers the end-to-end tests give.
const kDemoSends = [
  [
    'customers',
    '--all',
    '--name',
    'Northern Alberta Regional Minor Hockey Association=Northern Alberta Minor Hockey',
  ],
  ['suppliers', '--all'],
  ['invoices', '--all', '--create-missing'],
  ['payments', '--all', '--send-invoices', '--create-missing'],
  ['pos', '--all', '--create-missing'],
];
const kDemoSize = ['--customers', '8', '--invoices', '6', '--payments', '4',
  '--purchase-orders', '4', '--suppliers', '3'];

// Every kind "qb list" knows, and those whose entries are compared whole ("qb show").
const kListKinds = ['customers', 'vendors', 'employees', 'items', 'salestaxcodes', 'salesreps',
  'customertypes', 'paymentmethods', 'terms', 'classes', 'accounts', 'invoices', 'payments', 'pos'];
const kShownKinds = ['customers', 'vendors', 'invoices', 'payments', 'pos'];

// ListIDs and TxnIDs end in the second they were made, as do the times and edit sequences.
function withoutTimes(text) {
  return text
    .replace(/\b([0-9A-F]+)-[0-9]{9,}\b/g, '$1-T')
    .replace(/<(TimeCreated|TimeModified|EditSequence)>[^<]*</g, '<$1>T<')
    // A purchase order's memo tells the minute it was sent.
    .replace(/(VT Status as at )[^<)\n]*/g, '$1T');
}

// The simulated company of a settings folder as text: every list, and every customer, vendor
// and transaction whole, without the times.
async function companyContents(settings) {
  let text = '';
  for (const kind of kListKinds) {
    const list = await vqbCli(['--settings', settings, 'qb', 'list', kind]);
    if (list.code !== 0) throw new Error(list.err);
    text += `== ${kind}\n${list.out}`;
    if (!kShownKinds.includes(kind)) continue;
    for (const line of list.out.split('\n').slice(1)) {
      const id = line.split(' ')[0];
      if (!/^[0-9A-F]+-[0-9]+$/.test(id)) continue;
      text += (await vqbCli(['--settings', settings, 'qb', 'show', id])).out + '\n';
    }
  }
  return withoutTimes(text);
}

// Vantora's side: the records marked as sent, with QuickBooks' references.
async function sentRecords(settings) {
  let text = '';
  for (const kind of ['customers', 'suppliers', 'invoices', 'payments', 'pos']) {
    const list = await vqbCli(
      ['--settings', settings, 'list', kind, '--exported', 'yes', '--not-exported', 'no']
    );
    text += `== ${kind}\n${list.out}`;
  }
  return withoutTimes(text);
}

module.exports = {
  cli,
  kDemoSends,
  kDemoSize,
  companyContents,
  sentRecords,
  vqbCli,
  tempFolder,
  simulatedQuickBooks,
  WebConnector,
  useWebConnector,
  servedDemo,
  setTransport,
  sleep,
};
