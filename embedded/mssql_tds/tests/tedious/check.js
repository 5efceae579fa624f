// Drives the embedded SQL Server's TDS listener with the tedious driver:
// login, batches, parameterised queries (sp_executesql), a catalogue
// procedure by RPC, every column type of the sample database, NULLs,
// cancel, and the login failures 18456 and 4060.
//   node check.js PORT USER PASSWORD
'use strict';
const assert = require('assert');
const { Connection, Request, TYPES } = require('tedious');

const [port, user, password] = process.argv.slice(2);

function connect(options = {}) {
  const config = {
    server: '127.0.0.1',
    authentication: { type: 'default', options: { userName: options.user || user,
                                                    password: options.password || password } },
    options: { port: Number(port), database: options.database || 'sample_shop',
               encrypt: options.encrypt === undefined ? false : options.encrypt,
               trustServerCertificate: true, connectTimeout: 5000, requestTimeout: 10000,
               useColumnNames: false },
  };
  return new Promise((resolve, reject) => {
    const c = new Connection(config);
    c.on('connect', (err) => (err ? reject(err) : resolve(c)));
    c.connect();
  });
}

function run(c, sql, { params = [], batch = false, proc = false } = {}) {
  return new Promise((resolve, reject) => {
    const sets = [];
    let current = null;
    const r = new Request(sql, (err, rowCount) => (err ? reject(err) : resolve({ sets, rowCount })));
    for (const [name, type, value, o] of params) r.addParameter(name, type, value, o);
    r.on('columnMetadata', (cols) => { current = { cols, rows: [] }; sets.push(current); });
    r.on('row', (cols) => current.rows.push(cols.map((x) => x.value)));
    if (proc) c.callProcedure(r); else if (batch) c.execSqlBatch(r); else c.execSql(r);
  });
}

async function expectLoginError(options, number) {
  try {
    const c = await connect(options);
    c.close();
  } catch (e) {
    assert.ok(String(e.message).length > 0);
    return e.message;
  }
  throw new Error(`login with ${JSON.stringify(options)} should fail with ${number}`);
}

async function main() {
  // Login failures.
  const bad = await expectLoginError({ password: 'wrong password' }, 18456);
  assert.match(bad, /Login failed for user/);
  const nodb = await expectLoginError({ database: 'no_such_db' }, 4060);
  assert.match(nodb, /Cannot open database "no_such_db"|Login failed/);
  const tls = await expectLoginError({ encrypt: true }, 18456);
  assert.match(tls, /encryption/);
  console.log('ok login failures');

  const c = await connect();
  let r = await run(c, 'SELECT 1 AS one, @@VERSION AS v', { batch: true });
  assert.strictEqual(r.sets[0].rows[0][0], 1);
  assert.match(r.sets[0].rows[0][1], /SQL Server/);
  console.log('ok batch');

  // Every type of the sample's products table, NULLs included.
  r = await run(c, 'SELECT * FROM products ORDER BY product_id', { batch: true });
  const cols = r.sets[0].cols.map((x) => x.colName);
  const p = r.sets[0].rows;
  const at = (row, name) => p[row][cols.indexOf(name)];
  assert.strictEqual(p.length, 4);
  assert.strictEqual(at(0, 'title'), 'Chair «Confort»');
  assert.strictEqual(at(0, 'price'), 49.99);
  assert.strictEqual(at(0, 'stock'), 12);
  assert.strictEqual(at(0, 'barcode'), '4006381333931');
  assert.strictEqual(at(2, 'barcode'), '-9223372036854775808');
  assert.strictEqual(at(0, 'released').toISOString(), '2010-10-10T00:00:00.000Z');
  assert.ok(Buffer.isBuffer(at(0, 'picture')));
  assert.strictEqual(at(0, 'checksum').toString('hex'), 'deadbeef');
  assert.strictEqual(at(0, 'notes'), 'Ножки из дуба.');
  assert.strictEqual(at(0, 'datasheet'), '<datasheet><legs>4</legs></datasheet>');
  assert.strictEqual(at(0, 'extra'), 'variant text');
  assert.strictEqual(at(0, 'version').length, 8);
  for (const name of ['weight_kg', 'exact_ratio', 'released', 'shelf_time', 'updated',
                      'updated_at_origin', 'last_count', 'picture', 'thumbnail', 'manual',
                      'notes', 'datasheet', 'extra', 'barcode'])
    assert.ok(p.some((row) => row[cols.indexOf(name)] === null), `a NULL in ${name}`);
  r = await run(c, 'SELECT * FROM customers ORDER BY customer_id', { batch: true });
  const cc = r.sets[0].cols.map((x) => x.colName);
  const c0 = r.sets[0].rows[0];
  assert.strictEqual(c0[cc.indexOf('name')], 'Émilie Dubois');
  assert.strictEqual(c0[cc.indexOf('credit_limit')], 25000.5);
  assert.strictEqual(c0[cc.indexOf('row_guid')], '6F9619FF-8B86-D011-B42D-00C04FC964FF');
  assert.strictEqual(c0[cc.indexOf('code')], 'C0000001');
  assert.strictEqual(c0[cc.indexOf('created')].toISOString(), '2019-03-04T10:11:12.123Z');
  r = await run(c, 'SELECT order_id, comment, long_note, attachment FROM orders ORDER BY order_id',
                { batch: true });
  const big = r.sets[0].rows.find((row) => row[3] && row[3].length === 70000);
  assert.ok(big, 'a 70,000-byte varbinary(max) value in PLP chunks');
  console.log('ok types');

  // sp_executesql with parameters of several types.
  r = await run(c, 'SELECT name, city FROM customers WHERE customer_id = @id AND country = @c',
                { params: [['id', TYPES.Int, 2], ['c', TYPES.NVarChar, 'DE']] });
  assert.deepStrictEqual(r.sets[0].rows, [['Jürgen Müller', 'München']]);
  r = await run(c, 'SELECT @d AS d, @n AS n, @b AS b, @s AS s',
                { params: [['d', TYPES.Decimal, 12.5, { precision: 10, scale: 2 }], ['n', TYPES.NVarChar, null],
                           ['b', TYPES.VarBinary, Buffer.from([1, 2, 3])],
                           ['s', TYPES.VarChar, 'façade']] });
  assert.strictEqual(Number(r.sets[0].rows[0][0]), 12.5);
  assert.strictEqual(r.sets[0].rows[0][1], null);
  assert.strictEqual(r.sets[0].rows[0][2].toString('hex'), '010203');
  assert.strictEqual(r.sets[0].rows[0][3], 'façade');
  // Parameters of the other types come back as they went.
  const when = new Date(Date.UTC(2021, 5, 7, 8, 9, 10, 123));
  r = await run(c, 'SELECT @dt AS dt, @day AS day, @g AS g, @bit AS bit, @f AS f, @m AS m, ' +
                   '@big AS big, @t AS t, @dto AS dto, @sdt AS sdt, @txt AS txt',
                { params: [['dt', TYPES.DateTime, when], ['day', TYPES.Date, when],
                           ['g', TYPES.UniqueIdentifier, '6F9619FF-8B86-D011-B42D-00C04FC964FF'],
                           ['bit', TYPES.Bit, true], ['f', TYPES.Float, 0.1], ['m', TYPES.Money, 12.25],
                           ['big', TYPES.BigInt, '9007199254740993'],
                           ['t', TYPES.Time, when, { scale: 3 }],
                           ['dto', TYPES.DateTimeOffset, when, { scale: 3 }],
                           ['sdt', TYPES.SmallDateTime, new Date(Date.UTC(2021, 5, 7, 8, 9, 0))],
                           ['txt', TYPES.NVarChar, 'x'.repeat(5000)]] });
  const v = r.sets[0].rows[0];
  assert.strictEqual(v[0].toISOString(), '2021-06-07T08:09:10.123Z');
  assert.strictEqual(v[1].toISOString(), '2021-06-07T00:00:00.000Z');
  assert.strictEqual(v[2], '6F9619FF-8B86-D011-B42D-00C04FC964FF');
  assert.strictEqual(v[3], true);
  assert.strictEqual(v[4], 0.1);
  assert.strictEqual(Number(v[5]), 12.25);
  assert.strictEqual(v[6], '9007199254740993');
  assert.strictEqual(v[7].toISOString(), '1970-01-01T08:09:10.123Z');
  assert.strictEqual(v[8].toISOString(), '2021-06-07T08:09:10.123Z');
  assert.strictEqual(v[9].toISOString(), '2021-06-07T08:09:00.000Z');
  assert.strictEqual(v[10].length, 5000);
  // A value stored through a parameter reads back the same.
  await run(c, 'INSERT INTO customers (code, name, city, country, created, row_guid) ' +
               'VALUES (@code, @name, @city, N\'NO\', @created, NEWID())',
            { params: [['code', TYPES.Char, 'T0000001'], ['name', TYPES.NVarChar, 'Åse Ødegård ✓'],
                       ['city', TYPES.VarChar, 'Tromsø'], ['created', TYPES.DateTime, when]] });
  r = await run(c, 'SELECT name, city, created FROM customers WHERE code = @code',
                { params: [['code', TYPES.VarChar, 'T0000001']] });
  assert.strictEqual(r.sets[0].rows[0][0], 'Åse Ødegård ✓');
  assert.strictEqual(r.sets[0].rows[0][1], 'Tromsø');
  assert.strictEqual(r.sets[0].rows[0][2].toISOString(), '2021-06-07T08:09:10.123Z');
  console.log('ok sp_executesql');

  // Prepared statements: sp_prepare, sp_execute twice, sp_unprepare.
  const prepared = new Request('SELECT name FROM customers WHERE customer_id = @id', (err) => {
    if (err) throw err;
  });
  prepared.addParameter('id', TYPES.Int);
  const names = [];
  prepared.on('row', (cols) => names.push(cols[0].value));
  await new Promise((resolve, reject) => {
    prepared.on('prepared', resolve);
    prepared.on('error', reject);
    c.prepare(prepared);
  });
  assert.ok(prepared.handle > 0, 'a handle from RETURNVALUE');
  for (const id of [1, 2]) {
    await new Promise((resolve, reject) => {
      prepared.once('requestCompleted', resolve);
      prepared.once('error', reject);
      c.execute(prepared, { id });
    });
  }
  assert.deepStrictEqual(names, ['Émilie Dubois', 'Jürgen Müller']);
  await new Promise((resolve) => { prepared.once('requestCompleted', resolve); c.unprepare(prepared); });
  console.log('ok prepare');

  // A catalogue procedure by RPC.
  const req = new Promise((resolve, reject) => {
    const rows = [];
    const q = new Request('sp_columns', (err) => (err ? reject(err) : resolve(rows)));
    q.addParameter('table_name', TYPES.NVarChar, 'customers');
    q.on('row', (cols) => rows.push(cols.map((x) => x.value)));
    c.callProcedure(q);
  });
  const spc = await req;
  assert.strictEqual(spc.length, 10);
  assert.strictEqual(spc[0][3], 'customer_id');
  console.log('ok sp_columns');

  // Errors: the statement's error, then the connection goes on.
  await assert.rejects(run(c, 'SELECT * FROM no_such_table', { batch: true }), /Invalid object name/);
  r = await run(c, 'SELECT COUNT(*) FROM [dbo].[customers]', { batch: true });
  assert.ok(r.sets[0].rows[0][0] > 0);
  console.log('ok errors');

  // Result sets from inside a loop and a block, each with its own DONE; the
  // RPC form answers the same sets; RETURN ends the batch.
  const loop = "DECLARE @i int = 0\nWHILE @i < 3 BEGIN SET @i = @i + 1 SELECT @i AS i END\n" +
               "IF 1 = 1 BEGIN SELECT 'a' AS x SELECT 'b' AS y END\nRETURN\nSELECT 'late'";
  for (const opts of [{ batch: true }, {}]) {
    r = await run(c, loop, opts);
    assert.deepStrictEqual(r.sets.map((x) => x.rows[0][0]), [1, 2, 3, 'a', 'b']);
  }
  r = await run(c, 'SELECT DATEADD(day, 30, CAST(\'2024-01-31\' AS date)) AS d, ' +
                   'DATEDIFF(month, \'2024-01-31\', \'2024-03-01\') AS m', { batch: true });
  assert.strictEqual(r.sets[0].cols[0].type.name, 'Date');
  assert.strictEqual(r.sets[0].rows[0][1], 2);
  console.log('ok nested results');

  // Cancel a long result: the connection stays usable.
  await new Promise((resolve, reject) => {
    const q = new Request('SELECT a.customer_id FROM customers a, customers b, customers c, customers d, customers e, customers f',
                          (err) => (err && err.code !== 'ECANCEL' ? reject(err) : resolve()));
    let seen = 0;
    q.on('row', () => { if (++seen === 1) c.cancel(); });
    c.execSqlBatch(q);
  });
  r = await run(c, 'SELECT 2', { batch: true });
  assert.strictEqual(r.sets[0].rows[0][0], 2);
  console.log('ok cancel');
  c.close();
}

main().then(() => console.log('all ok'), (e) => { console.error(e); process.exit(1); });
