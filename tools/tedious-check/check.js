'use strict';
// Starts brellow-tds-testserver with values made up for this run, asks it for its
// version with tedious (TDS 7.1, no encryption) and checks the three answers, the query
// text the server saw, and that a wrong password is refused. Then does the same with
// encryption, against a server that encrypts when asked and one that forces it: the TLS
// handshake inside PRELOGIN, checked by an independent client.
//
// usage: node check.js /path/to/brellow-tds-testserver

const { spawn } = require('node:child_process');
const crypto = require('node:crypto');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { Connection, Request } = require('tedious');

const QUERY =
  "SELECT SERVERPROPERTY('productversion') as ProductVersion, " +
  "SERVERPROPERTY('productlevel') as ProductLevel, SERVERPROPERTY ('edition') as Edition";
const STEP_TIMEOUT_MS = 15000;

function fail(message) {
  throw new Error(message);
}

function startServer(program, facts, wireLog, extraArgs = []) {
  return new Promise((resolve, reject) => {
    const child = spawn(program, [
      ...extraArgs,
      '--port', '0',
      '--user', facts.user,
      '--password', facts.password,
      '--edition', facts.edition,
      '--version', facts.version,
      '--level', facts.level,
      '--wire-log', wireLog,
      '--lifetime', '120',
    ], { stdio: ['ignore', 'pipe', 'inherit'] });
    let seen = '';
    const timer = setTimeout(() => {
      child.kill();
      reject(new Error('the server did not print LISTENING within 10 s'));
    }, 10000);
    child.on('error', (error) => {
      clearTimeout(timer);
      reject(error);
    });
    child.on('exit', (code) => {
      clearTimeout(timer);
      reject(new Error(`the server ended early (exit code ${code}): ${seen}`));
    });
    child.stdout.on('data', (chunk) => {
      seen += chunk.toString('utf8');
      const match = /^LISTENING (\d+)$/m.exec(seen);
      if (match) {
        clearTimeout(timer);
        child.removeAllListeners('exit');
        resolve({ child, port: Number(match[1]) });
      }
    });
  });
}

function connect(port, user, password, encrypt = false) {
  return new Promise((resolve, reject) => {
    const connection = new Connection({
      server: '127.0.0.1',
      authentication: { type: 'default', options: { userName: user, password } },
      options: {
        port,
        tdsVersion: '7_1',
        encrypt,
        // The test server's certificate is self-signed, as SQL Server's own fallback one is,
        // and made out to localhost (TLS names no server by an address).
        trustServerCertificate: true,
        serverName: 'localhost',
        connectTimeout: STEP_TIMEOUT_MS,
        requestTimeout: STEP_TIMEOUT_MS,
      },
    });
    connection.on('connect', (error) => {
      if (error) {
        connection.close();
        reject(error);
      } else {
        resolve(connection);
      }
    });
    connection.connect();
  });
}

function queryRow(connection, sql) {
  return new Promise((resolve, reject) => {
    const rows = [];
    const request = new Request(sql, (error, rowCount) => {
      if (error) {
        reject(error);
      } else {
        resolve({ rows, rowCount });
      }
    });
    request.on('row', (columns) => {
      const row = {};
      for (const column of columns) {
        row[column.metadata.colName] = column.value;
      }
      rows.push(row);
    });
    connection.execSqlBatch(request);
  });
}

function randomWord() {
  return crypto.randomBytes(4).toString('hex');
}

async function checkEncrypted(program, dir, mode) {
  const facts = {
    user: 'sa',
    password: `pw-${randomWord()} ü`,
    edition: `Check Edition ${randomWord()}`,
    version: `15.0.${crypto.randomInt(2000, 4999)}.${crypto.randomInt(1, 99)}`,
    level: 'RTM',
  };
  const wireLog = path.join(dir, `wire-${mode}.log`);
  const { child, port } = await startServer(program, facts, wireLog, [
    '--profile', '2019', '--encryption', mode,
  ]);
  try {
    const connection = await connect(port, facts.user, facts.password, true);
    let result;
    try {
      result = await queryRow(connection, QUERY);
    } finally {
      connection.close();
    }
    const row = result.rows[0] || {};
    if (row.ProductVersion !== facts.version || row.ProductLevel !== facts.level ||
        row.Edition !== facts.edition) {
      fail(`encryption ${mode}: got ${JSON.stringify(row)}`);
    }
    const lines = fs.readFileSync(wireLog, 'utf8').split('\n');
    const login = lines.find((line) => / LOGIN7 /.test(line)) || '';
    const batch = lines.find((line) => / SQLBATCH /.test(line)) || '';
    if (!/ tls=1/.test(login) || !/ tls=1/.test(batch)) {
      fail(`encryption ${mode}: login and query did not arrive inside TLS:\n${login}\n${batch}`);
    }
    const protocol = (/ protocol=(\S+)/.exec(login) || [])[1];
    console.log(`ok: encryption ${mode}: tedious read ${facts.version} / ${facts.level} / ` +
      `${facts.edition} over ${protocol}`);
  } finally {
    child.kill();
  }
}

async function main() {
  const program = process.argv[2];
  if (!program || !fs.existsSync(program)) {
    fail('usage: node check.js /path/to/brellow-tds-testserver');
  }
  const facts = {
    user: 'sa',
    password: `pw-${randomWord()} ä`,
    edition: `Check Edition ${randomWord()}`,
    version: `8.00.${crypto.randomInt(100, 9999)}`,
    level: `SP${crypto.randomInt(1, 9)}`,
  };
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'brellow-tedious-'));
  const wireLog = path.join(dir, 'wire.log');
  const { child, port } = await startServer(program, facts, wireLog);
  try {
    const connection = await connect(port, facts.user, facts.password);
    let result;
    try {
      result = await queryRow(connection, QUERY);
    } finally {
      connection.close();
    }
    if (result.rows.length !== 1) {
      fail(`expected one row, got ${result.rows.length}`);
    }
    const row = result.rows[0];
    const expected = {
      ProductVersion: facts.version,
      ProductLevel: facts.level,
      Edition: facts.edition,
    };
    for (const [name, value] of Object.entries(expected)) {
      if (row[name] !== value) {
        fail(`${name}: expected ${JSON.stringify(value)}, got ${JSON.stringify(row[name])}`);
      }
    }
    console.log(`ok: tedious read ${facts.version} / ${facts.level} / ${facts.edition}`);

    const batches = fs.readFileSync(wireLog, 'utf8').split('\n')
      .filter((line) => / SQLBATCH /.test(line))
      .map((line) => line.slice(line.indexOf(' text=') + 6));
    if (!batches.includes(QUERY)) {
      fail(`the wire log does not hold the query byte for byte:\n${batches.join('\n')}`);
    }
    console.log('ok: the wire log holds the query as sent');

    let refused = null;
    try {
      const wrong = await connect(port, facts.user, facts.password + 'x');
      wrong.close();
    } catch (error) {
      refused = error;
    }
    if (!refused) {
      fail('a wrong password was accepted');
    }
    if (!/Login failed for user 'sa'\./.test(refused.message)) {
      fail(`unexpected refusal: ${refused.message}`);
    }
    console.log(`ok: a wrong password is refused (${refused.message})`);

    await checkEncrypted(program, dir, 'on');
    await checkEncrypted(program, dir, 'required');
  } finally {
    child.kill();
    fs.rmSync(dir, { recursive: true, force: true });
  }
}

main().then(
  () => {
    console.log('tedious check passed');
  },
  (error) => {
    console.error(`tedious check failed: ${error.message}`);
    process.exitCode = 1;
  },
);
