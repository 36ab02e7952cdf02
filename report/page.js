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
    },
  };
  const L = TEXTS[D.lang] || TEXTS.ru;
  // Rows of sessions, failed logons and sources are arrays, their fields in
  // the order of the list of names beside them: each read by its name.
  const fieldIndex = names => Object.fromEntries(names.map((name, i) => [name, i]));
  const SESSION = fieldIndex(D.sessionFields), FAILURE = fieldIndex(D.failureFields), SOURCE = fieldIndex(D.summaryFields);
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
  const LABEL = 160, LANE = 22, AXIS = 24;

  // One lane per user, alternately shaded, its label cut when long; and
  // the fade of an open session's bar.
  function timelineLanes(svg, plot, width) {
    svg.append(s('defs', {}, s('linearGradient', { id: 'fade' }, s('stop', { offset: '0.6', 'stop-color': 'white' }),
      s('stop', { offset: '1', 'stop-color': 'white', 'stop-opacity': '0.15' })),
      s('mask', { id: 'open-end', maskContentUnits: 'objectBoundingBox' },
        s('rect', { width: 1, height: 1, fill: 'url(#fade)' }))));
    return D.lanes.map((user, i) => {
      const g = s('g', { class: 'lane', 'data-user': user, transform: `translate(0 ${i * LANE})` });
      g.append(s('rect', { class: 'lane-bg', x: 0, y: 1, width: width - LABEL, height: LANE - 2, opacity: i % 2 ? 0.35 : 0.7 }));
      plot.append(g);
      const label = shortened(user, 22);
      svg.append(s('text', { x: 4, y: i * LANE + 15, class: 'lane-label' }, label, label === user ? [] : s('title', {}, user)));
      return g;
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

  // Hovering a bar shows its session's row, unless the chart is dragged.
  function showSessionOnHover(svg, dragging) {
    const tip = document.getElementById('tip');
    svg.addEventListener('mousemove', e => {
      const row = e.target.classList.contains('bar') ? D.sessions[e.target.dataset.row] : null;
      tip.hidden = !row || dragging();
      if (tip.hidden) return;
      const line = (name, value) => h('div', {}, h('span', {}, name + ': '), value);
      tip.replaceChildren(line(L.user, logText(row[SESSION.user], true)), line(L.from, logText(row[SESSION.from], true)),
        line(L.type, row[SESSION.type]), line(L.start, row[SESSION.start]), line(L.end, endText(row)),
        line(L.duration, row[SESSION.duration]));
      tip.style.left = Math.min(e.clientX + 14, window.innerWidth - tip.offsetWidth - 4) + 'px';
      tip.style.top = (e.clientY + 14) + 'px';
    });
    svg.addEventListener('mouseleave', () => { tip.hidden = true; });
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

  // The sessions of the lanes' users over time: zoomed with the wheel,
  // panned by dragging.
  function timeline() {
    const indexes = D.sessions.map((r, i) => i).filter(i => D.sessions[i][SESSION.lane] >= 0);
    const rows = indexes.map(i => D.sessions[i]);
    if (!rows.length) return section(L.timeline, h('p', { class: 'empty' }, L.noSessions));
    const width = Math.max(600, document.getElementById('report').clientWidth || 1000);
    const height = D.lanes.length * LANE + AXIS;
    const svg = s('svg', { viewBox: `0 0 ${width} ${height}`, height, class: 'chart' });
    const axis = s('g', { class: 'axis' });
    const plot = s('svg', { x: LABEL, width: width - LABEL, height, overflow: 'hidden' });
    const shapes = timelineBars(timelineLanes(svg, plot, width), rows, indexes);
    svg.append(axis, plot);

    const first = Math.min(...rows.map(r => r[SESSION.startAt])), last = Math.max(...rows.map(r => r[SESSION.endAt]));
    const span = Math.max(last - first, 3600);
    const full = [first - span * 0.02, first + span * 1.02];
    let view = full.slice();
    const plotWidth = width - LABEL;
    const x = t => (t - view[0]) / (view[1] - view[0]) * plotWidth;
    function draw() {
      for (const { r, bar, mark } of shapes) {
        const x0 = x(r[SESSION.startAt]), x1 = x(r[SESSION.endAt]);
        bar.setAttribute('x', x0.toFixed(1));
        bar.setAttribute('width', Math.max(2, x1 - x0).toFixed(1));
        if (mark) mark.setAttribute('x', (Math.max(x1, x0 + 2) - 1.5).toFixed(1));
      }
      const { step, list } = ticks(view[0], view[1], plotWidth, 90);
      axis.replaceChildren(...list.filter(t => x(t) < plotWidth - 40).map(t => s('g', { transform: `translate(${(LABEL + x(t)).toFixed(1)} 0)` },
        s('line', { y1: 0, y2: height - AXIS + 4 }),
        s('text', { y: height - 6, 'text-anchor': 'middle' }, timeLabel(t, step)))));
    }
    draw();

    // Zoom about the pointer with the wheel; pan by dragging.
    const timeAt = px => view[0] + (px - LABEL) / plotWidth * (view[1] - view[0]);
    const localX = e => (e.clientX - svg.getBoundingClientRect().left) * width / svg.getBoundingClientRect().width;
    svg.addEventListener('wheel', e => {
      e.preventDefault();
      const at = timeAt(localX(e)), f = Math.exp(e.deltaY * 0.002);
      const span1 = Math.max(60, (view[1] - view[0]) * f);
      const share = (at - view[0]) / (view[1] - view[0]);
      view = [at - share * span1, at + (1 - share) * span1];
      draw();
    }, { passive: false });
    let drag = null;
    svg.addEventListener('pointerdown', e => {
      drag = { x: localX(e), view: view.slice() };
      svg.setPointerCapture(e.pointerId);
      svg.classList.add('dragging');
    });
    svg.addEventListener('pointermove', e => {
      if (!drag) return;
      const shift = (localX(e) - drag.x) / plotWidth * (drag.view[1] - drag.view[0]);
      view = [drag.view[0] - shift, drag.view[1] - shift];
      draw();
    });
    const stop = () => { drag = null; svg.classList.remove('dragging'); };
    svg.addEventListener('pointerup', stop);
    svg.addEventListener('pointercancel', stop);
    showSessionOnHover(svg, () => !!drag);

    const fit = h('button', { type: 'button', class: 'fit' }, L.fit);
    fit.addEventListener('click', () => { view = full.slice(); draw(); });
    const notes = [];
    if (D.usersLeftOut) notes.push(h('p', { class: 'note' }, L.usersLeftOut(number(D.usersLeftOut))));
    if (D.barsLeftOut) notes.push(h('p', { class: 'note' }, L.barsLeftOut(number(D.barsLeftOut))));
    return h('section', { class: 'timeline' }, h('h2', {}, L.timeline),
      h('div', { class: 'toolbar' }, fit, h('span', { class: 'hint' }, L.hint)), timelineLegend(rows), svg, notes);
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
  main.append(header(), timeline(), heatMap(), failuresOverTime(), ...tables());
})();
