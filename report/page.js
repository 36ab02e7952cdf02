'use strict';
// Draws the report from the JSON beside this script. Every text of a log
// goes into the page as a text node or an attribute value, never as markup,
// in an element of its own that isolates its direction (a name written right
// to left does not reorder what stands beside it), cut when long and whole in
// its tooltip.
(function () {
  const D = JSON.parse(document.getElementById('data').textContent);
  const TEXTS = {
    ru: {
      title: 'Отчёт о входах в систему', unread: 'Не прочитаны:', notices: 'Предупреждения', inputs: 'Журналы', computers: 'Компьютеры', range: 'Период',
      utc: 'время UTC', local: 'местное время', sessions: 'Сеансов', open: 'открыто', failures: 'Неудачных входов',
      users: 'Пользователей', sources: 'Источников', timeline: 'Сеансы', fit: 'Показать всё',
      hint: 'Колесо мыши: масштаб; перетаскивание: сдвиг; наведите на полосу, чтобы увидеть сеанс.',
      noSessions: 'Сеансов нет.', usersLeftOut: n => `Ещё ${n} пользователей с меньшим числом сеансов не показаны.`,
      barsLeftOut: n => `Ещё ${n} самых ранних сеансов не показаны на шкале.`,
      heat: 'Когда входят', days: ['Пн', 'Вт', 'Ср', 'Чт', 'Пт', 'Сб', 'Вс'],
      failuresOverTime: 'Неудачные входы по источникам', noFailures: 'Неудачных входов нет.',
      perStep: s => `попыток за ${s}`, summary: 'Источники неудачных входов',
      sessionTable: 'Все сеансы', failureTable: 'Все неудачные входы', filter: 'Фильтр',
      rowsLeftOut: (shown, n) => `Показаны первые ${shown} строк; ещё ${n} не показаны.`,
      shown: (n, found, all) => found === all ? `Строк: ${n} из ${all}` : `Строк: ${n} из ${found} найденных (всего ${all})`,
      more: n => `Показать ещё ${n}`,
      user: 'Пользователь', from: 'Откуда', type: 'Тип', start: 'Начало', end: 'Конец', duration: 'Длительность',
      time: 'Время', reason: 'Причина', attempts: 'Попыток', first: 'Первая', last: 'Последняя',
      topReason: 'Частая причина', topUsers: 'Частые пользователи', other: 'другие',
      endWords: { shutdown: 'выключение', crash: 'сбой', open: 'нет выхода в журнале', live: 'ещё в системе' },
      steps: { 60: 'минуту', 300: '5 минут', 900: '15 минут', 1800: '30 минут', 3600: 'час', 10800: '3 часа',
        21600: '6 часов', 43200: '12 часов', 86400: 'день', 604800: 'неделю', 2592000: '30 дней' },
      stepDays: n => `${n} дн.`,
      rdp: 'Удалённый рабочий стол', rdpTable: 'Все сеансы удалённого рабочего стола',
      rdpHint: 'Сплошная полоса: подключение; штриховка: сеанс отключён. Колесо мыши: масштаб; перетаскивание: сдвиг.',
      rdpLanesLeftOut: n => `Ещё ${n} пар «пользователь, компьютер» с меньшим числом сеансов не показаны.`,
      computer: 'Компьютер', session: 'Сеанс', client: 'Клиент', logon: 'Вход', active: 'Активен',
      disconnected: 'Отключён', connections: 'Подключений', addresses: 'Адреса', authenticated: 'Проверка подлинности',
      connected: 'подключён', disconnectedKey: 'отключён', newAddress: 'переподключение с нового адреса',
      authOnly: 'вход по сети без сеанса', stillConnected: 'ещё подключён', gap: 'Сеанс отключён',
      words: { 'before log': 'до начала журнала', down: 'выключение', crash: 'сбой', 'no logoff in log': 'нет выхода в журнале',
        'no session in log': 'нет сеанса в журнале' },
    },
    en: {
      title: 'Logon report', unread: 'Not read:', notices: 'Warnings', inputs: 'Logs', computers: 'Computers', range: 'Period',
      utc: 'UTC', local: 'local time', sessions: 'Sessions', open: 'open', failures: 'Failed logons',
      users: 'Users', sources: 'Sources', timeline: 'Sessions', fit: 'Fit',
      hint: 'Wheel: zoom; drag: pan; hover a bar to see its session.',
      noSessions: 'No sessions.', usersLeftOut: n => `${n} more users with fewer sessions are not shown.`,
      barsLeftOut: n => `${n} more of the earliest sessions are not drawn.`,
      heat: 'When people log on', days: ['Mon', 'Tue', 'Wed', 'Thu', 'Fri', 'Sat', 'Sun'],
      failuresOverTime: 'Failed logons per source', noFailures: 'No failed logons.',
      perStep: s => `attempts per ${s}`, summary: 'Sources of failed logons',
      sessionTable: 'All sessions', failureTable: 'All failed logons', filter: 'Filter',
      rowsLeftOut: (shown, n) => `The first ${shown} rows are shown; ${n} more are not.`,
      shown: (n, found, all) => found === all ? `Rows: ${n} of ${all}` : `Rows: ${n} of ${found} found (${all} in all)`,
      more: n => `Show ${n} more`,
      user: 'User', from: 'From', type: 'Type', start: 'Start', end: 'End', duration: 'Duration',
      time: 'Time', reason: 'Reason', attempts: 'Attempts', first: 'First', last: 'Last',
      topReason: 'Top Reason', topUsers: 'Top Users', other: 'other',
      endWords: { shutdown: 'down', crash: 'crash', open: 'no logoff in log', live: 'still logged on' },
      steps: { 60: 'minute', 300: '5 minutes', 900: '15 minutes', 1800: '30 minutes', 3600: 'hour', 10800: '3 hours',
        21600: '6 hours', 43200: '12 hours', 86400: 'day', 604800: 'week', 2592000: '30 days' },
      stepDays: n => `${n} days`,
      rdp: 'Remote Desktop', rdpTable: 'All Remote Desktop sessions',
      rdpHint: 'Solid: connected; hatched: the session is disconnected. Wheel: zoom; drag: pan.',
      rdpLanesLeftOut: n => `${n} more users and computers with fewer sessions are not shown.`,
      computer: 'Computer', session: 'Session', client: 'Client', logon: 'Logon', active: 'Active',
      disconnected: 'Disconnected', connections: 'Connections', addresses: 'Addresses', authenticated: 'Authenticated',
      connected: 'connected', disconnectedKey: 'disconnected', newAddress: 'reconnect from a new address',
      authOnly: 'authenticated, no session', stillConnected: 'still connected', gap: 'Session disconnected',
      words: {},
    },
  };
  const L = TEXTS[D.lang] || TEXTS.ru;
  // Rows of sessions, failed logons and sources are arrays, their fields in
  // the order of the list of names beside them: each read by its name.
  const fieldIndex = names => Object.fromEntries(names.map((name, i) => [name, i]));
  const SESSION = fieldIndex(D.sessionFields), FAILURE = fieldIndex(D.failureFields), SOURCE = fieldIndex(D.summaryFields);
  const RDP = fieldIndex(D.rdpFields), CONNECTION = fieldIndex(D.rdpConnectionFields);
  const SVG = 'http://www.w3.org/2000/svg';
  const number = n => n.toLocaleString(D.lang);

  // An element with attributes and children (nodes or texts).
  function h(tag, attrs, ...children) {
    const e = tag.startsWith('svg:') ? document.createElementNS(SVG, tag.slice(4)) : document.createElement(tag);
    for (const [k, v] of Object.entries(attrs || {})) e.setAttribute(k, v);
    for (const c of children.flat()) e.append(c);
    return e;
  }
  const s = (tag, attrs, ...children) => h('svg:' + tag, attrs, ...children);

  // A text of a log: isolated, and cut when `cut` (CSS does it, .cut) with
  // the whole text as its tooltip once it may not fit. In a plain-text
  // tooltip, FSI and PDI isolate it: the page's data has none of its own.
  const LONG = 24;
  const whole = text => text.length > LONG ? { title: text } : {};
  const logText = (text, cut) => h('bdi', cut ? { class: 'cut', ...whole(text) } : {}, text);
  const isolated = text => '\u2068' + text + '\u2069';
  const shortened = (text, most) => {
    const points = Array.from(text);
    return points.length > most ? points.slice(0, most - 1).join('') + '…' : text;
  };

  // Times are seconds in the shown zone: read them as UTC.
  const pad = n => String(n).padStart(2, '0');
  function timeLabel(t, step) {
    const d = new Date(t * 1000);
    const day = `${pad(d.getUTCDate())}.${pad(d.getUTCMonth() + 1)}`;
    if (step >= 365 * 86400) return String(d.getUTCFullYear());
    if (step >= 28 * 86400) return `${pad(d.getUTCMonth() + 1)}.${d.getUTCFullYear()}`;
    if (step >= 86400) return `${day}.${d.getUTCFullYear()}`;
    return `${day} ${pad(d.getUTCHours())}:${pad(d.getUTCMinutes())}`;
  }

  // Ticks between t0 and t1, about one per `every` pixels of `width`.
  const STEPS = [60, 300, 900, 1800, 3600, 3 * 3600, 6 * 3600, 12 * 3600, 86400, 2 * 86400, 7 * 86400];
  function ticks(t0, t1, width, every) {
    const most = Math.max(2, width / every);
    const step = STEPS.find(st => (t1 - t0) / st <= most);
    if (step) {
      const monday = step === 7 * 86400 ? 4 * 86400 : 0;
      const out = [];
      for (let t = Math.ceil((t0 - monday) / step) * step + monday; t <= t1; t += step) out.push(t);
      return { step, list: out };
    }
    const months = [1, 3, 6, 12, 24, 60, 120].find(m => (t1 - t0) / (m * 30.44 * 86400) <= most) || 240;
    const d = new Date(t0 * 1000);
    let index = Math.floor((d.getUTCFullYear() * 12 + d.getUTCMonth()) / months) * months;
    const out = [];
    for (let t; (t = Date.UTC(Math.floor(index / 12), index % 12, 1) / 1000) <= t1; index += months)
      if (t >= t0) out.push(t);
    return { step: months * 30 * 86400, list: out };
  }

  function section(title, ...children) { return h('section', {}, h('h2', {}, title), ...children); }

  // The inputs not read and the tool's warnings, as it wrote them.
  function warnings() {
    const parts = [];
    if (D.unread.length) parts.push(h('h2', {}, L.unread),
      h('ul', { class: 'unread' }, D.unread.map(([input, why]) => h('li', {}, logText(input), ': ', logText(why)))));
    if (D.notices.length) parts.push(h('h2', {}, L.notices),
      h('ul', { class: 'notices' }, D.notices.map(notice => h('li', {}, logText(notice)))));
    return parts.length ? h('div', { class: 'warnings', role: 'status' }, parts) : [];
  }

  function header() {
    const c = D.counts;
    const facts = h('dl', { class: 'facts' });
    const fact = (name, value) => facts.append(h('dt', {}, name), h('dd', {}, value));
    const list = (texts, cut) => texts.flatMap((text, i) => i ? [', ', logText(text, cut)] : [logText(text, cut)]);
    fact(L.inputs, list(D.inputs, false));
    if (D.computers.length) fact(L.computers, list(D.computers, true));
    const zone = D.utc ? L.utc : D.zone ? logText(D.zone) : L.local;
    fact(L.range, D.first ? [`${D.first} – ${D.last} (`, zone, ')'] : '—');
    const count = (name, value, cls) => h('div', { class: 'count ' + cls }, h('b', {}, number(value)), name);
    return h('header', {}, h('h1', {}, L.title), warnings(), facts,
      h('div', { class: 'counts' },
        count(L.sessions, c.sessions, 'sessions'), count(L.open, c.open, 'open'),
        count(L.failures, c.failures, 'failures'), count(L.users, c.users, 'users'),
        count(L.sources, c.sources, 'sources')));
  }

  const TYPES = [2, 10, 11, 3];
  const typeClass = t => TYPES.includes(t) ? 't' + t : 't-other';
  const endWord = reason => L.endWords[reason === 'open' && D.live ? 'live' : reason];
  const endText = r => r[SESSION.reason] === 'logoff' ? r[SESSION.end] : endWord(r[SESSION.reason]);
  const LABEL = 160, WIDE_LABEL = 240, LANE = 22, AXIS = 24;  // WIDE_LABEL: a user and a computer

  // A chart of `count` lanes over [first, last], their labels `label` pixels
  // wide: zoomed with the wheel about the pointer, panned by dragging, "fit"
  // to see everything again. `draw(x)` places the shapes, `x` giving a
  // time's place in the plot.
  function laneChart(count, first, last, label, draw) {
    const width = Math.max(600, document.getElementById('report').clientWidth || 1000);
    const height = count * LANE + AXIS, plotWidth = width - label;
    const svg = s('svg', { viewBox: `0 0 ${width} ${height}`, height, class: 'chart' });
    const axis = s('g', { class: 'axis' });
    const plot = s('svg', { x: label, width: plotWidth, height, overflow: 'hidden' });
    svg.append(axis, plot);
    const span = Math.max(last - first, 3600);
    const full = [first - span * 0.02, first + span * 1.02];
    let view = full.slice(), drag = null;
    const x = t => (t - view[0]) / (view[1] - view[0]) * plotWidth;
    function redraw() {
      draw(x);
      const { step, list } = ticks(view[0], view[1], plotWidth, 90);
      axis.replaceChildren(...list.filter(t => x(t) < plotWidth - 40).map(t => s('g', { transform: `translate(${(label + x(t)).toFixed(1)} 0)` },
        s('line', { y1: 0, y2: height - AXIS + 4 }),
        s('text', { y: height - 6, 'text-anchor': 'middle' }, timeLabel(t, step)))));
    }
    const timeAt = px => view[0] + (px - label) / plotWidth * (view[1] - view[0]);
    const localX = e => (e.clientX - svg.getBoundingClientRect().left) * width / svg.getBoundingClientRect().width;
    svg.addEventListener('wheel', e => {
      e.preventDefault();
      const at = timeAt(localX(e)), f = Math.exp(e.deltaY * 0.002);
      const span1 = Math.max(60, (view[1] - view[0]) * f);
      const share = (at - view[0]) / (view[1] - view[0]);
      view = [at - share * span1, at + (1 - share) * span1];
      redraw();
    }, { passive: false });
    svg.addEventListener('pointerdown', e => {
      drag = { x: localX(e), view: view.slice() };
      svg.setPointerCapture(e.pointerId);
      svg.classList.add('dragging');
    });
    svg.addEventListener('pointermove', e => {
      if (!drag) return;
      const shift = (localX(e) - drag.x) / plotWidth * (drag.view[1] - drag.view[0]);
      view = [drag.view[0] - shift, drag.view[1] - shift];
      redraw();
    });
    const stop = () => { drag = null; svg.classList.remove('dragging'); };
    svg.addEventListener('pointerup', stop);
    svg.addEventListener('pointercancel', stop);
    const fit = h('button', { type: 'button', class: 'fit' }, L.fit);
    fit.addEventListener('click', () => { view = full.slice(); redraw(); });
    return { svg, axis, plot, width, label, fit, redraw, dragging: () => !!drag };
  }

  // `count` lanes, alternately shaded, each label cut when long: `labelOf(i)`
  // gives the lane's attributes, its label's content and, when that is not
  // all of it, its whole text.
  function chartLanes(chart, count, labelOf) {
    return [...Array(count).keys()].map(i => {
      const { attrs, text, whole } = labelOf(i);
      const g = s('g', { ...attrs, transform: `translate(0 ${i * LANE})` });
      g.append(s('rect', { class: 'lane-bg', x: 0, y: 1, width: chart.width - chart.label, height: LANE - 2, opacity: i % 2 ? 0.35 : 0.7 }));
      chart.plot.append(g);
      chart.axis.before(s('text', { x: 4, y: i * LANE + 15, class: 'lane-label' }, text, whole ? s('title', {}, whole) : []));
      return g;
    });
  }

  // A lane per user, and the fade of an open session's bar.
  function timelineLanes(chart) {
    chart.svg.prepend(s('defs', {}, s('linearGradient', { id: 'fade' }, s('stop', { offset: '0.6', 'stop-color': 'white' }),
      s('stop', { offset: '1', 'stop-color': 'white', 'stop-opacity': '0.15' })),
      s('mask', { id: 'open-end', maskContentUnits: 'objectBoundingBox' },
        s('rect', { width: 1, height: 1, fill: 'url(#fade)' }))));
    return chartLanes(chart, D.lanes.length, i => {
      const user = D.lanes[i], label = shortened(user, 22);
      return { attrs: { class: 'lane', 'data-user': user }, text: label, whole: label === user ? null : user };
    });
  }

  // A bar per session in its lane, and a mark where a shutdown or crash
  // ended it; `indexes`: the rows' places in D.sessions.
  function timelineBars(lanes, rows, indexes) {
    return rows.map((r, k) => {
      const reason = r[SESSION.reason], lane = lanes[r[SESSION.lane]];
      const bar = s('rect', { class: `bar ${typeClass(r[SESSION.logonType])} end-${reason}`, y: 4, height: LANE - 8,
        'data-row': indexes[k], 'data-user': r[SESSION.user], 'data-start': r[SESSION.start] });
      if (reason === 'open') bar.setAttribute('mask', 'url(#open-end)');
      lane.append(bar);
      let mark = null;
      if (reason === 'crash' || reason === 'shutdown') {
        mark = s('rect', { class: `end-mark end-${reason}`, y: 1, width: 3, height: LANE - 2 });
        lane.append(mark);
      }
      return { r, bar, mark };
    });
  }

  // The page's tooltip over a chart: `content(target)` gives its lines for
  // the shape under the pointer, nothing for none; none while dragging.
  const tipLine = (name, value) => h('div', {}, h('span', {}, name + ': '), value);
  function hoverTip(svg, dragging, content) {
    const tip = document.getElementById('tip');
    svg.addEventListener('mousemove', e => {
      const lines = dragging() ? null : content(e.target);
      tip.hidden = !lines;
      if (!lines) return;
      tip.replaceChildren(...lines);
      tip.style.left = Math.min(e.clientX + 14, window.innerWidth - tip.offsetWidth - 4) + 'px';
      tip.style.top = (e.clientY + 14) + 'px';
    });
    svg.addEventListener('mouseleave', () => { tip.hidden = true; });
  }

  // Hovering a bar shows its session's row.
  function sessionTip(target) {
    const row = target.classList.contains('bar') ? D.sessions[target.dataset.row] : null;
    return row && [tipLine(L.user, logText(row[SESSION.user], true)), tipLine(L.from, logText(row[SESSION.from], true)),
      tipLine(L.type, row[SESSION.type]), tipLine(L.start, row[SESSION.start]), tipLine(L.end, endText(row)),
      tipLine(L.duration, row[SESSION.duration])];
  }

  // The logon types and the ends of sessions that the bars show.
  function timelineLegend(rows) {
    const present = [...new Set(rows.map(r => typeClass(r[SESSION.logonType])))];
    const typeName = c => c === 't-other' ? L.other : rows.find(r => typeClass(r[SESSION.logonType]) === c)[SESSION.type];
    return h('div', { class: 'legend' },
      present.map(c => h('span', {}, h('i', { class: c }), typeName(c))),
      ['open', 'crash', 'shutdown'].filter(k => rows.some(r => r[SESSION.reason] === k))
        .map(k => h('span', {}, h('i', { class: 'end-' + k }), endWord(k))));
  }

  // The sessions of the lanes' users over time.
  function timeline() {
    const indexes = D.sessions.map((r, i) => i).filter(i => D.sessions[i][SESSION.lane] >= 0);
    const rows = indexes.map(i => D.sessions[i]);
    if (!rows.length) return section(L.timeline, h('p', { class: 'empty' }, L.noSessions));
    const first = Math.min(...rows.map(r => r[SESSION.startAt])), last = Math.max(...rows.map(r => r[SESSION.endAt]));
    let shapes = [];
    const chart = laneChart(D.lanes.length, first, last, LABEL, x => {
      for (const { r, bar, mark } of shapes) {
        const x0 = x(r[SESSION.startAt]), x1 = x(r[SESSION.endAt]);
        bar.setAttribute('x', x0.toFixed(1));
        bar.setAttribute('width', Math.max(2, x1 - x0).toFixed(1));
        if (mark) mark.setAttribute('x', (Math.max(x1, x0 + 2) - 1.5).toFixed(1));
      }
    });
    shapes = timelineBars(timelineLanes(chart), rows, indexes);
    chart.redraw();
    hoverTip(chart.svg, chart.dragging, sessionTip);
    const notes = [];
    if (D.usersLeftOut) notes.push(h('p', { class: 'note' }, L.usersLeftOut(number(D.usersLeftOut))));
    if (D.barsLeftOut) notes.push(h('p', { class: 'note' }, L.barsLeftOut(number(D.barsLeftOut))));
    return h('section', { class: 'timeline' }, h('h2', {}, L.timeline),
      h('div', { class: 'toolbar' }, chart.fit, h('span', { class: 'hint' }, L.hint)), timelineLegend(rows), chart.svg, notes);
  }

  // Remote Desktop sessions: per user and computer, each connection solid,
  // the time the session was disconnected hatched (between connections and
  // from the last one to the session's end), a reconnect from a new address
  // marked, a network authentication that no session took a diamond.
  const word = text => L.words[text] || text;

  function rdpLanes(chart) {
    const fade = (id, ...stops) => s('linearGradient', { id },
      stops.map(([offset, opacity]) => s('stop', { offset, 'stop-color': 'white', 'stop-opacity': opacity })));
    const mask = (id, gradient) => s('mask', { id, maskContentUnits: 'objectBoundingBox' }, s('rect', { width: 1, height: 1, fill: `url(#${gradient})` }));
    chart.svg.prepend(s('defs', {},
      s('pattern', { id: 'rdp-hatch', width: 6, height: 6, patternUnits: 'userSpaceOnUse', patternTransform: 'rotate(45)' },
        s('line', { class: 'hatch', x1: 1.5, y1: 0, x2: 1.5, y2: 6 })),
      fade('rdp-fade-out', [0.6, 1], [1, 0.15]), fade('rdp-fade-in', [0, 0.15], [0.4, 1]), mask('rdp-open', 'rdp-fade-out'), mask('rdp-before', 'rdp-fade-in')));
    return chartLanes(chart, D.rdpLanes.length, i => {
      const [user, computer] = D.rdpLanes[i];
      const attrs = { class: 'rdp-lane', 'data-user': user, 'data-computer': computer };
      if (!D.rdpComputers) {
        const label = shortened(user, 22);
        return { attrs, text: label, whole: label === user ? null : user };
      }
      return { attrs, text: [s('tspan', {}, shortened(user, 16)), ' ', s('tspan', { class: 'computer' }, shortened(computer.split('.')[0], 10))],
        whole: `${isolated(user)} — ${isolated(computer)}` };
    });
  }

  // Connection k of row `row` and the time disconnected after it; `add(el,
  // t0, t1)` puts a shape in the lane: a bar from t0 to t1, a mark at t0.
  function rdpConnection(add, row, k) {
    const r = D.rdp[row], bars = r[RDP.bars], c = bars[k], next = bars[k + 1];
    const data = kind => ({ 'data-row': row, 'data-conn': k, 'data-kind': kind });
    const open = r[RDP.reason] === 'open' && !next;
    const bar = s('rect', { class: 'conn', y: 4, height: LANE - 8, ...data('conn') });
    if (open && !c[CONNECTION.end]) bar.setAttribute('mask', 'url(#rdp-open)');
    else if (k === 0 && r[RDP.logon] === 'before log') bar.setAttribute('mask', 'url(#rdp-before)');
    add(bar, c[CONNECTION.startAt], c[CONNECTION.endAt]);
    const until = next ? next[CONNECTION.startAt] : r[RDP.endAt];
    if (c[CONNECTION.end] && until > c[CONNECTION.endAt]) {
      const gap = s('rect', { class: 'gap', y: 6, height: LANE - 12, ...data('gap') });
      if (open) gap.setAttribute('mask', 'url(#rdp-open)');
      add(gap, c[CONNECTION.endAt], until);
    }
    if (c[CONNECTION.newAddress]) add(s('path', { class: 'new-address', d: 'M-5 0 L5 0 L0 7 Z', ...data('conn') }), c[CONNECTION.startAt]);
  }

  // The shapes of the sessions that have a lane.
  function rdpShapes(lanes) {
    const shapes = [];
    D.rdp.forEach((r, row) => {
      if (r[RDP.lane] < 0) return;
      const lane = lanes[r[RDP.lane]];
      const add = (el, t0, t1) => { lane.append(el); shapes.push({ el, t0, t1 }); };
      if (!r[RDP.bars].length)
        add(s('path', { class: 'auth-only', d: 'M0 4 L6 11 L0 18 L-6 11 Z', 'data-row': row, 'data-kind': 'auth' }), r[RDP.startAt]);
      r[RDP.bars].forEach((c, k) => rdpConnection(add, row, k));
      if (r[RDP.reason] === 'crash' || r[RDP.reason] === 'shutdown')
        add(s('rect', { class: `end-mark end-${r[RDP.reason]}`, x: -1.5, y: 1, width: 3, height: LANE - 2 }), r[RDP.endAt]);
    });
    return shapes;
  }

  // Hovering a shape: the connection, the time disconnected with why, or
  // the lone authentication.
  function rdpTip(target) {
    const d = target.dataset;
    if (!d || d.row === undefined) return null;
    const r = D.rdp[d.row], bars = r[RDP.bars], c = bars[d.conn];
    const lines = [tipLine(L.user, logText(r[RDP.user], true))];
    if (D.rdpComputers) lines.push(tipLine(L.computer, logText(r[RDP.computer], true)));
    lines.push(tipLine(L.session, r[RDP.session]));
    if (d.kind === 'auth')
      return [...lines, tipLine(L.from, logText(r[RDP.from], true)), tipLine(L.authenticated, r[RDP.logon]), tipLine(L.end, word(r[RDP.end]))];
    if (d.kind === 'gap') {
      const next = bars[+d.conn + 1];
      return [h('div', { class: 'tip-head' }, L.gap), ...lines, tipLine(L.start, c[CONNECTION.end]),
        tipLine(L.end, next ? next[CONNECTION.start] : word(r[RDP.end])), tipLine(L.reason, logText(c[CONNECTION.reason], true))];
    }
    lines.push(tipLine(L.from, logText(c[CONNECTION.from], true)));
    if (c[CONNECTION.client]) lines.push(tipLine(L.client, logText(c[CONNECTION.client], true)));
    if (c[CONNECTION.authenticated]) lines.push(tipLine(L.authenticated, c[CONNECTION.authenticated]));
    lines.push(tipLine(L.start, c[CONNECTION.start]), tipLine(L.end, c[CONNECTION.end] || L.stillConnected));
    if (c[CONNECTION.end]) lines.push(tipLine(L.reason, logText(c[CONNECTION.reason], true)));
    if (c[CONNECTION.newAddress]) lines.push(h('div', { class: 'tip-head' }, L.newAddress));
    return lines;
  }

  function rdpLegend(rows) {
    const has = test => rows.some(test);
    const item = (cls, text) => h('span', {}, h('i', { class: cls }), text);
    return h('div', { class: 'legend' }, item('conn', L.connected), item('gap', L.disconnectedKey),
      has(r => r[RDP.bars].some(c => c[CONNECTION.newAddress])) ? item('new-address', L.newAddress) : [],
      has(r => !r[RDP.bars].length) ? item('auth-only', L.authOnly) : [],
      ['crash', 'shutdown'].filter(k => has(r => r[RDP.reason] === k)).map(k => item('end-' + k, endWord(k))));
  }

  // The lanes, then the table of rdp; nothing without Remote Desktop sessions.
  function remoteDesktop() {
    if (!D.rdpSessions) return [];
    const rows = D.rdp.filter(r => r[RDP.lane] >= 0);
    const parts = [];
    if (rows.length) {
      const first = Math.min(...rows.map(r => r[RDP.startAt])), last = Math.max(...rows.map(r => r[RDP.endAt]));
      let shapes = [];
      const chart = laneChart(D.rdpLanes.length, first, last, D.rdpComputers ? WIDE_LABEL : LABEL, x => {
        for (const { el, t0, t1 } of shapes) {
          if (t1 === undefined) {
            el.setAttribute('transform', `translate(${x(t0).toFixed(1)} 0)`);
            continue;
          }
          el.setAttribute('x', x(t0).toFixed(1));
          el.setAttribute('width', Math.max(2, x(t1) - x(t0)).toFixed(1));
        }
      });
      shapes = rdpShapes(rdpLanes(chart));
      chart.redraw();
      hoverTip(chart.svg, chart.dragging, rdpTip);
      parts.push(h('div', { class: 'toolbar' }, chart.fit, h('span', { class: 'hint' }, L.rdpHint)), rdpLegend(rows), chart.svg);
    }
    if (D.rdpLanesLeftOut) parts.push(h('p', { class: 'note' }, L.rdpLanesLeftOut(number(D.rdpLanesLeftOut))));
    if (D.rdpBarsLeftOut) parts.push(h('p', { class: 'note' }, L.barsLeftOut(number(D.rdpBarsLeftOut))));
    const listed = D.rdp.filter(r => r[RDP.listed]);
    return [h('section', { class: 'timeline rdp' }, h('h2', {}, L.rdp), parts), section(L.rdpTable, table('rdp', [
      ...(D.rdpComputers ? [[L.computer, r => r[RDP.computer], null, 'log']] : []),
      [L.user, r => r[RDP.user], null, 'log'], [L.session, r => r[RDP.session], r => r[RDP.session] === '-' ? -1 : +r[RDP.session]],
      [L.from, r => r[RDP.from], null, 'log'], [L.client, r => r[RDP.client], null, 'log'],
      [L.logon, r => word(r[RDP.logon]), r => r[RDP.startAt]],
      [L.end, r => word(r[RDP.end]), r => r[RDP.reason] === 'open' ? Infinity : r[RDP.endAt]],
      [L.active, r => r[RDP.active], r => r[RDP.activeSeconds]],
      [L.disconnected, r => r[RDP.disconnected], r => r[RDP.disconnected] ? r[RDP.disconnectedSeconds] : -Infinity],
      [L.connections, r => r[RDP.connections], r => r[RDP.connections], 'num'], [L.addresses, r => r[RDP.addresses], null, 'log'],
    ], listed, D.rdpLeftOut))];
  }

  function heatMap() {
    const most = Math.max(1, ...D.heat.flat());
    const head = h('tr', {}, h('th'), [...Array(24).keys()].map(hour => h('th', {}, String(hour))));
    const body = D.heat.map((day, i) => h('tr', {}, h('th', {}, L.days[i]), day.map((n, hour) => {
      const short = n >= 10000 ? Math.round(n / 1000) + 'k' : n >= 1000 ? (n / 1000).toFixed(1) + 'k' : n ? String(n) : '';
      const td = h('td', { 'data-count': n, title: `${L.days[i]} ${hour}:00: ${number(n)}` }, short);
      td.style.setProperty('--v', (n / most * 0.85).toFixed(3));
      return td;
    })));
    return section(L.heat, h('table', { class: 'heat' }, h('thead', {}, head), h('tbody', {}, body)));
  }

  function failuresOverTime() {
    const S = D.series;
    if (!S.sources.length) return section(L.failuresOverTime, h('p', { class: 'empty' }, L.noFailures));
    const width = Math.max(600, document.getElementById('report').clientWidth || 1000);
    const LEFT = 40, TOP = 10, HEIGHT = 180, steps = S.counts[0].length;
    const most = Math.max(1, ...S.counts.flat());
    const x = i => LEFT + (steps > 1 ? i / (steps - 1) : 0.5) * (width - LEFT - 10);
    const y = n => TOP + HEIGHT - n / most * HEIGHT;
    const svg = s('svg', { viewBox: `0 0 ${width} ${HEIGHT + TOP + 26}`, height: HEIGHT + TOP + 26, class: 'series' });
    svg.append(s('g', { class: 'y' }, [0, most].map(n => s('g', {},
      s('line', { class: 'grid', x1: LEFT, x2: width - 10, y1: y(n), y2: y(n) }),
      s('text', { x: LEFT - 6, y: y(n) + 4, 'text-anchor': 'end' }, String(n))))));
    const end = S.start + S.step * (steps - 1);
    const { step, list } = ticks(S.start, end, width - LEFT, 120);
    const at = t => steps > 1 ? x((t - S.start) / S.step) : x(0);
    svg.append(s('g', { class: 'axis' }, list.filter(t => at(t) < width - 40).map(t => s('text', { x: at(t), y: HEIGHT + TOP + 18, 'text-anchor': 'middle' },
      timeLabel(t, Math.max(step, S.step))))));
    S.counts.forEach((counts, i) => {
      const g = s('g', { class: `source s${i}`, 'data-source': S.sources[i] });
      g.append(s('polyline', { points: counts.map((n, k) => `${x(k).toFixed(1)},${y(n).toFixed(1)}`).join(' ') }));
      counts.forEach((n, k) => {
        if (n) g.append(s('circle', { cx: x(k), cy: y(n), r: 3 },
          s('title', {}, `${isolated(S.sources[i] || '—')}: ${n} (${timeLabel(S.start + k * S.step, Math.min(S.step, 3600))})`)));
      });
      svg.append(g);
    });
    const legend = h('div', { class: 'legend' }, S.sources.map((src, i) => h('span', {}, h('i', { class: 's' + i }), logText(src || '—', true))));
    return section(L.failuresOverTime, legend, svg,
      h('p', { class: 'note' }, L.perStep(L.steps[S.step] || L.stepDays(S.step / 86400))));
  }

  // A table sortable by any column and filtered by a text box, drawn 500
  // rows at a time so that a page of 10,000 opens at once. `columns`:
  // [caption, the cell's text, its sort key (default the text), its kind:
  // 'num' for a number, 'log' for a text of a log].
  const PAGE = 500;
  function table(kind, columns, rows, leftOut) {
    const collator = new Intl.Collator(D.lang, { numeric: true });
    const filter = h('input', { type: 'search', class: 'filter', placeholder: L.filter, 'aria-label': L.filter });
    const count = h('span', { class: 'hint' });
    const more = h('button', { type: 'button', class: 'more' });
    const heads = columns.map(([caption, , , kind]) => h('th', { class: kind === 'num' ? 'num' : '' }, caption));
    const body = h('tbody');
    let order = rows, shown = rows, drawn = 0;
    function draw(upTo) {
      const fragment = document.createDocumentFragment();
      for (const r of shown.slice(drawn, upTo))
        fragment.append(h('tr', {}, columns.map(([, text, , kind]) => {
          const value = String(text(r));
          return h('td', { class: kind || '', ...(kind === 'log' ? whole(value) : {}) }, value);
        })));
      body.append(fragment);
      drawn = Math.min(upTo, shown.length);
      count.textContent = L.shown(number(drawn), number(shown.length), number(rows.length));
      more.hidden = drawn === shown.length;
      more.textContent = L.more(Math.min(PAGE, shown.length - drawn));
    }
    function fill() {
      const q = filter.value.trim().toLowerCase();
      shown = q ? order.filter(r => columns.some(c => String(c[1](r)).toLowerCase().includes(q))) : order;
      body.replaceChildren();
      drawn = 0;
      draw(PAGE);
    }
    heads.forEach((th, i) => th.addEventListener('click', () => {
      const descending = th.getAttribute('aria-sort') === 'ascending';
      heads.forEach(other => other.removeAttribute('aria-sort'));
      th.setAttribute('aria-sort', descending ? 'descending' : 'ascending');
      const key = columns[i][2] || columns[i][1];
      order = rows.slice().sort((a, b) => {
        const ka = key(a), kb = key(b);
        const c = typeof ka === 'number' ? ka - kb : collator.compare(ka, kb);
        return descending ? -c : c;
      });
      fill();
    }));
    filter.addEventListener('input', fill);
    more.addEventListener('click', () => draw(drawn + PAGE));
    fill();
    return [h('div', { class: 'toolbar' }, filter, count),
      h('div', { class: 'scroll' }, h('table', { class: 'rows ' + kind }, h('thead', {}, h('tr', {}, heads)), body)),
      more, leftOut ? h('p', { class: 'note' }, L.rowsLeftOut(number(rows.length), number(leftOut))) : []];
  }

  function tables() {
    const sessions = D.sessions.filter(r => r[SESSION.listed]);
    const out = [];
    out.push(section(L.sessionTable, sessions.length ? table('sessions', [
      [L.user, r => r[SESSION.user], null, 'log'], [L.from, r => r[SESSION.from], null, 'log'],
      [L.type, r => r[SESSION.type]], [L.start, r => r[SESSION.start], r => r[SESSION.startAt]],
      [L.end, endText, r => r[SESSION.endAt]],
      [L.duration, r => r[SESSION.duration],
        r => r[SESSION.reason] === 'open' ? Infinity : r[SESSION.endAt] - r[SESSION.startAt]],
    ], sessions, D.sessionsLeftOut) : h('p', { class: 'empty' }, L.noSessions)));
    if (D.summary.length) out.push(section(L.summary, table('summary', [
      [L.from, r => r[SOURCE.from], null, 'log'], [L.attempts, r => r[SOURCE.attempts], r => r[SOURCE.attempts], 'num'],
      [L.users, r => r[SOURCE.users], r => r[SOURCE.users], 'num'], [L.first, r => r[SOURCE.first], r => r[SOURCE.firstAt]],
      [L.last, r => r[SOURCE.last], r => r[SOURCE.lastAt]], [L.topReason, r => r[SOURCE.topReason], null, 'log'],
      [L.topUsers, r => r[SOURCE.topUsers], null, 'log'],
    ], D.summary, D.summaryLeftOut)));
    out.push(section(L.failureTable, D.failures.length ? table('failures', [
      [L.time, r => r[FAILURE.time], r => r[FAILURE.at]], [L.user, r => r[FAILURE.user], null, 'log'],
      [L.from, r => r[FAILURE.from], null, 'log'], [L.type, r => r[FAILURE.type]], [L.reason, r => r[FAILURE.reason], null, 'log'],
    ], D.failures, D.failuresLeftOut) : h('p', { class: 'empty' }, L.noFailures)));
    return out;
  }

  const main = document.getElementById('report');
  main.append(header(), timeline(), ...remoteDesktop(), heatMap(), failuresOverTime(), ...tables());
})();
